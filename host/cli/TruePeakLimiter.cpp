#include "host/cli/TruePeakLimiter.h"

#include <algorithm>
#include <cmath>

namespace
{

constexpr double kSpreadSeconds = 0.00025;   // the interpolator's reach on either side
constexpr double kAverage1Seconds = 0.00375; // the two averages: the fall's length
constexpr double kAverage2Seconds = 0.00125;
constexpr double kReleaseSeconds = 0.050;
// A release this close to its goal takes it: the last thousandth of a dB is not heard, and the
// gain then returns to exactly 0 dB.
constexpr double kReleaseSnapDb = 1e-3;

int frames(double seconds, int rate)
{
    return std::max(1, int(std::lround(seconds * rate)));
}

// Adds `value` to a moving average's ring, keeping count of the entries that are not 0 so
// that the sum returns to exactly 0 once they have all left.
double push(std::vector<double>& ring, size_t& at, double& sum, int& nonZero, double value)
{
    const double leaving = ring[at];
    ring[at] = value;
    at = at + 1 == ring.size() ? 0 : at + 1;
    nonZero += (value != 0 ? 1 : 0) - (leaving != 0 ? 1 : 0);
    sum = nonZero == 0 ? 0.0 : sum + value - leaving;
    return std::min(0.0, sum / double(ring.size()));
}

} // namespace

CTruePeakLimiter::CTruePeakLimiter(int sampleRate, double ceilingDb)
    : ceilingLinear(std::pow(10.0, ceilingDb / 20.0)), ceilingLog(ceilingDb),
      spread(frames(kSpreadSeconds, sampleRate)), average1(frames(kAverage1Seconds, sampleRate)),
      average2(frames(kAverage2Seconds, sampleRate)), window(average1 + average2 - 1 + 2 * spread),
      ahead(average1 + average2 - 2 + spread),
      release(1.0 - std::exp(-1.0 / (kReleaseSeconds * sampleRate))), minimaAt(size_t(window) + 1),
      minimaValue(size_t(window) + 1), ring1(size_t(average1), 0.0), ring2(size_t(average2), 0.0)
{
}

double CTruePeakLimiter::next(double envelope)
{
    const size_t capacity = minimaAt.size();
    // The reduction this frame needs, then the least over the window ending here.
    if (envelope > ceilingLinear)
    {
        const double need = ceilingLog - 20.0 * std::log10(envelope);
        while (minimaCount > 0 && minimaValue[(minimaFirst + minimaCount - 1) % capacity] >= need)
            --minimaCount;
        const size_t slot = (minimaFirst + minimaCount) % capacity;
        minimaAt[slot] = position;
        minimaValue[slot] = need;
        ++minimaCount;
    }
    while (minimaCount > 0 && minimaAt[minimaFirst] <= position - window)
    {
        minimaFirst = (minimaFirst + 1) % capacity;
        --minimaCount;
    }
    ++position;
    const double held = minimaCount > 0 ? minimaValue[minimaFirst] : 0.0;
    if (held <= released)
        released = held;
    else
        released = held - released < kReleaseSnapDb ? held : released + (held - released) * release;
    const double smooth1 = push(ring1, at1, sum1, nonZero1, released);
    return push(ring2, at2, sum2, nonZero2, smooth1);
}
