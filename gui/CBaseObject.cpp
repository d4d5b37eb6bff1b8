#include "gui/CBaseObject.h"

#include <atomic>

const char kMsgCheckIfViewContainer[] = "kMsgCheckIfViewContainer";
const char kMsgNewFocusView[] = "kMsgNewFocusView";
const char kMsgOldFocusView[] = "kMsgOldFocusView";

namespace
{
// Constant-initialised, so objects constructed during static initialisation (the predefined
// fonts) are counted too.
std::atomic<int32_t> liveObjects{0};
} // namespace

CBaseObject::CBaseObject()
{
    liveObjects.fetch_add(1, std::memory_order_relaxed);
}

CBaseObject::CBaseObject(const CBaseObject&) : CBaseObject() {}

CBaseObject::~CBaseObject()
{
    liveObjects.fetch_sub(1, std::memory_order_relaxed);
}

void CBaseObject::forget()
{
    if (nbReference <= 0) return; // already being destroyed
    if (--nbReference == 0) delete this;
}

void CBaseObject::remember()
{
    // A dying object (count 0) is not revived: a remember/forget pair during its own teardown
    // must not run the destructor a second time.
    if (nbReference > 0) ++nbReference;
}

int32_t CBaseObject::notify(CBaseObject*, CMessage)
{
    return kMessageUnknown;
}

int32_t CBaseObject::getLiveObjectCount()
{
    return liveObjects.load(std::memory_order_relaxed);
}
