#pragma once
// The drawing session: the span in which the toolkit's platform drawing library is in use. The
// first user in the process (a frame, a bitmap or a drawing context) opens it, the last one to
// leave closes it; in between, further users only count. On Windows the session is GDI+'s
// start-up and shutdown; cairo needs neither, and there the session only bounds the life of the
// platform fonts. Either way the fonts made during a session are discarded when it closes.

#include "gui/CBaseObject.h"

#include <cstdint>

class DrawingSession : public CBaseObject
{
  public:
    // [UI thread] Opens the session for the first user, otherwise adds one reference.
    static void enter();
    // [UI thread] Drops one reference; the last one closes the session. Unbalanced calls (no
    // user left) do nothing.
    static void exit();

    // [UI thread] Whether the session is open now.
    static bool isRunning();
    // [UI thread] How many times a session has been opened in this process (openings, not
    // users).
    static int32_t getStartupCount();

  private:
    DrawingSession();
    ~DrawingSession() override;

    // The platform's half (DrawingSessionGdiplus.cpp, DrawingSessionCairo.cpp): starting its
    // drawing library, and after the platform fonts are gone, shutting it down.
    void startPlatform();
    void stopPlatform();

    uintptr_t token = 0; // GDI+ start-up token, handed back at shutdown (unused with cairo)
};
