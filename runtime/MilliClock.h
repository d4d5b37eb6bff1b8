#pragma once
// A millisecond clock for the editor's redraw throttle.
//
// The throttle wants wall-clock milliseconds since the plug-in's process started, which is what
// the C library's clock() gives on Windows. On Linux clock() counts processor time instead (an
// idle UI thread would hardly advance it), so there this reads a monotonic clock measured from
// the first use in the process. [any thread]; no allocation.

#include <cstdint>

// Milliseconds since process (Windows) or first use (elsewhere). Wraps after about 24.8 days;
// callers compare differences with wrapping arithmetic (see MilliClockSince).
int32_t MilliClock();

// Milliseconds from `earlier` to `now`, correct across one wrap of the 32-bit counter.
inline int32_t MilliClockSince(int32_t now, int32_t earlier)
{
    return static_cast<int32_t>(static_cast<uint32_t>(now) - static_cast<uint32_t>(earlier));
}
