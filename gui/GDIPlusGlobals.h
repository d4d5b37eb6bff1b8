#pragma once
// GDI+ start-up counting. The first user in the process (a frame, a bitmap or a drawing context)
// starts GDI+, the last one to leave shuts it down; in between, further users only count.

#include "gui/CBaseObject.h"

#include <cstdint>

class GDIPlusGlobals : public CBaseObject
{
  public:
    // [UI thread] Starts GDI+ for the first user, otherwise adds one reference.
    static void enter();
    // [UI thread] Drops one reference; the last one shuts GDI+ down. Unbalanced calls (no user
    // left) do nothing.
    static void exit();

    // [UI thread] Whether GDI+ is running now.
    static bool isRunning();
    // [UI thread] How many times GDI+ has been started in this process (start-ups, not users).
    static int32_t getStartupCount();

  private:
    GDIPlusGlobals();
    ~GDIPlusGlobals() override;

    uintptr_t token = 0; // GDI+ start-up token, handed back at shutdown
};
