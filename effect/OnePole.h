#pragma once
// Time constants become one-pole coefficients exp(-1 / (seconds * sample rate)).

#include <cmath>
#include <limits>

// [any thread] exp(-1 / secondsTimesRate). A time of 0 (the "Zero" attack) makes the quotient
// -infinity and the coefficient exactly +0: the follower then takes a rising level at once. That
// IEEE result is answered here without performing the division, so a host that runs its threads
// with floating-point exceptions unmasked cannot trap on it. (-0 would give +infinity.)
inline double OnePoleCoefficient(double secondsTimesRate)
{
    if (secondsTimesRate == 0.0)
        return std::signbit(secondsTimesRate) ? std::numeric_limits<double>::infinity() : 0.0;
    return std::exp(-1.0 / secondsTimesRate);
}
