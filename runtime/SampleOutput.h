#pragma once
// The last step of every frame: a channel variable on its way to the host's buffer.

#include <cmath>
#include <limits>

// [audio thread] A value the host's format cannot hold never leaves the plug-in: NaN and
// infinity (from a non-finite input or a gain a hostile chunk pushed past every range) become
// silence, and a finite value beyond the format's largest becomes that largest value with its
// sign (narrowing it would be infinite). Every value the format holds passes unchanged.
template <typename Sample> inline Sample ToOutput(double value)
{
    constexpr double largest = static_cast<double>(std::numeric_limits<Sample>::max());
    if (std::fabs(value) <= largest) [[likely]]
        return static_cast<Sample>(value);
    if (std::isnan(value) || std::isinf(value)) return Sample(0);
    return static_cast<Sample>(value < 0.0 ? -largest : largest);
}
