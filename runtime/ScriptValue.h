#pragma once
// The value rules of script variables. Every script variable, slider value and channel sample is
// a double; these helpers give truth, equality and the integer conversion the same meaning in
// every hook body and runtime service. [any thread]; no allocation, no side effects.

#include <cmath>
#include <cstdint>

// Values closer to zero than this are false, and two values closer than this are equal.
inline constexpr double kScriptEpsilon = 0.00001;

// A hook body's loop that runs while a condition holds stops after this many iterations,
// whatever its condition says, so a script can never hang the thread it runs on.
inline constexpr int32_t kScriptLoopLimit = 1000000;

// True unless the value lies strictly between -0.00001 and +0.00001. NaN lies nowhere, so it is
// true (it is not inside the interval).
inline bool ScriptTrue(double v)
{
    return !(v > -kScriptEpsilon && v < kScriptEpsilon);
}

// Two values are equal when their difference lies strictly inside (-0.00001, +0.00001). A NaN
// on either side is never equal to anything.
inline bool ScriptEqual(double a, double b)
{
    const double d = a - b;
    return d > -kScriptEpsilon && d < kScriptEpsilon;
}

// A value used as an integer (memory index, slider number, string or image handle): 0.0001 is
// added to a value that is not negative and subtracted from a negative one, then the result is
// truncated toward zero. So 2.99995 gives 3, -2.99995 gives -3, 2.9998 gives 2.
// Out-of-range values get a defined answer instead of undefined behaviour: NaN gives 0, and
// anything beyond the 32-bit range (infinities included) saturates to INT32_MIN / INT32_MAX.
inline int32_t ScriptInt(double v)
{
    if (v != v) return 0;
    const double nudged = v >= 0.0 ? v + 0.0001 : v - 0.0001;
    if (nudged >= 2147483647.0) return INT32_MAX;
    if (nudged <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(nudged); // truncation toward zero, in range here
}

// Host values (sample rate, tempo, ...) go through this before a script sees them: NaN and the
// infinities become 0, every other value is kept as it is.
inline double ScriptFinite(double v)
{
    return std::isfinite(v) ? v : 0.0;
}
