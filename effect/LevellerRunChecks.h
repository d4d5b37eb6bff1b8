#pragma once
// What tells the leveller's block loop (LevellerBlockLoop.cpp) that a run of frames in which the
// followers were only watched, not settled after every frame, came out exactly as the sample
// hook's: the followers stayed positive normal numbers, and every output is one the output guard
// would have given as well. The watched loop narrows its outputs without a test and checks them
// here afterwards. [audio thread]

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <emmintrin.h>
#include <limits>
#include <type_traits>
#include <xmmintrin.h>

// Only the block loop's own file includes this: the names have internal linkage there, as if
// written in it, so the compiler treats them as that file's alone.
namespace leveller_block
{
namespace
{

// True when the settling leaves all four followers alone because each is a positive normal
// number, the case of every ordinary signal. A NaN fails its comparisons, an infinity the upper
// bound, a zero, a subnormal or a negative value the lower one; all of those go to the exact test
// of each value (SettleDecay), which also lets zeros pass. The comparisons are combined without
// branches, so the check stays off the followers' own chain from frame to frame.
inline bool FollowersSettled(double a, double b, double c, double d)
{
    const bool low = (a >= DBL_MIN) & (b >= DBL_MIN) & (c >= DBL_MIN) & (d >= DBL_MIN);
    const bool high = (a <= DBL_MAX) & (b <= DBL_MAX) & (c <= DBL_MAX) & (d <= DBL_MAX);
    return low & high;
}

// A filter input that is not finite would stay in the recursion forever: it restarts from 0.
inline void SettleInput(double& x)
{
    if (!(std::fabs(x) <= DBL_MAX)) x = 0.0;
}

// The watched loop's output: the value narrowed without a test. Every value the format holds
// comes out as ToOutput gives it; anything else comes out as a NaN, an infinity or the format's
// largest magnitude, which OutputsPlain finds. (Narrowing a value beyond the format raises the
// overflow flag, so the watched loop runs only while overflow does not trap; see RunBlock.)
template <typename Sample> inline Sample WatchedOutput(double value)
{
    return static_cast<Sample>(value);
}

// Whether a value beyond the float range may be narrowed: true while the overflow exception is
// masked, as it is unless the host unmasked it on this thread.
inline bool OverflowMasked()
{
    return (_mm_getcsr() & _MM_MASK_OVERFLOW) != 0;
}

// Whether every output of a watched run is one that ToOutput would have given as well: a number
// below the format's largest magnitude. The test runs on the bits, 16 bytes at a time: a
// magnitude at or above the largest finite one (the infinities and NaNs included) carries into
// the sign bit when (sign - largest) is added to it.
template <typename Sample> bool OutputsPlain(const Sample* out, int32_t frames)
{
    constexpr bool wide = std::is_same_v<Sample, double>;
    using Bits = std::conditional_t<wide, uint64_t, uint32_t>;
    constexpr Bits sign = Bits(1) << (8 * sizeof(Bits) - 1);
    constexpr Bits lift = sign - std::bit_cast<Bits>(std::numeric_limits<Sample>::max());
    constexpr int32_t perVector = 16 / static_cast<int32_t>(sizeof(Sample));
    const auto splat = [](Bits b)
    {
        if constexpr (wide)
            return _mm_set1_epi64x(static_cast<long long>(b));
        else
            return _mm_set1_epi32(static_cast<int>(b));
    };
    const __m128i magnitude = splat(static_cast<Bits>(~sign)), raise = splat(lift);
    __m128i seen = _mm_setzero_si128();
    int32_t i = 0;
    for (; i + perVector <= frames; i += perVector)
    {
        const __m128i bits =
            _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(out + i)), magnitude);
        seen = _mm_or_si128(seen, wide ? _mm_add_epi64(bits, raise) : _mm_add_epi32(bits, raise));
    }
    Bits lanes[perVector];
    std::memcpy(lanes, &seen, sizeof lanes);
    Bits all = 0;
    for (const Bits lane : lanes)
        all |= lane;
    for (; i < frames; ++i)
        all |= (std::bit_cast<Bits>(out[i]) & ~sign) + lift;
    return (all & sign) == 0;
}

} // namespace
} // namespace leveller_block
