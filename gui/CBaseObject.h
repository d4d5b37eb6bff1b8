#pragma once
// The toolkit's hand-counted base object.
//
// Whoever creates an object holds its first reference (the count starts at 1); every further
// holder calls remember() and every holder that lets go calls forget(). The count is a plain
// integer: all toolkit objects live on the GUI thread.
//
// Messages passed to notify() are process-wide string constants compared by ADDRESS, not by
// text, so two constants with equal text are different messages.

#include <cstdint>

using CMessage = const char*;

extern const char kMsgCheckIfViewContainer[];
extern const char kMsgNewFocusView[];
extern const char kMsgOldFocusView[];

enum CMessageResult : int32_t
{
    kMessageUnknown = 0,
    kMessageNotified = 1,
};

class CBaseObject
{
  public:
    CBaseObject();
    // A copy is a new object: its count starts at 1 whatever the source's count is.
    CBaseObject(const CBaseObject&);
    CBaseObject& operator=(const CBaseObject&) { return *this; }
    virtual ~CBaseObject();

    // [UI thread] Drops one reference; the last one destroys the object. A forget that arrives
    // while the object is already being destroyed (its count is 0) is ignored, so teardown code
    // that releases its owner again cannot destroy it twice.
    virtual void forget();
    // [UI thread] Adds one reference (ignored while the object is being destroyed).
    virtual void remember();
    // [UI thread] Answers kMessageNotified when the message was handled, else kMessageUnknown.
    virtual int32_t notify(CBaseObject* sender, CMessage message);

    int32_t getNbReference() const { return nbReference; }

    // [any thread] Number of toolkit objects constructed and not yet destroyed in the process.
    // Tests compare it before and after a scenario to catch leaks and double releases.
    static int32_t getLiveObjectCount();

  private:
    int32_t nbReference = 1;
};
