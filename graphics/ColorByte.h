#pragma once
// How a script colour component (nominally 0..1) becomes a colour byte for the toolkit.
// [any thread]; no allocation.

#include <cstdint>

#include "runtime/ScriptValue.h"

// c x 255 converted by the script's integer rule (0.0001 towards the sign, then truncated),
// limited to 0..255; NaN gives 0. So 0.5 -> 127, 0.15 -> 38, 0.7 -> 178, 1.2 -> 255, -0.1 -> 0.
inline int32_t ColorByte(double c)
{
    const int32_t n = ScriptInt(c * 255.0); // NaN -> 0, saturates far outside the range
    return n < 0 ? 0 : (n > 255 ? 255 : n);
}
