#include "host/cli/LimitedGain.h"

#include "host/cli/PeakEnvelope.h"
#include "host/cli/TruePeakLimiter.h"

#include <algorithm>
#include <cmath>

namespace
{

constexpr double kTolerance = 0.01; // LU
constexpr int kMostTrials = 8;

// The mean energies of the 100 ms hops after the limiter that follows `gainDb` (before the
// static gain); false when the limiter never acts.
bool limitedHops(const CPeakEnvelope& envelope, int rate, double gainDb, double ceilingDb,
                 std::vector<double>& hops)
{
    CLimiterGains gains(envelope, rate, gainDb, ceilingDb);
    if (!gains.acts()) return false;
    const long long frames = envelope.frames();
    const long long hop = envelope.hopFrames();
    const int tick = envelope.tickFrames();
    const std::vector<double>& ticks = envelope.tickEnergies();
    const float* energy = envelope.energy();
    hops.assign(size_t(frames / hop), 0.0);
    std::vector<double> tickGains(static_cast<size_t>(tick));
    for (long long first = 0; first < (long long)hops.size() * hop; first += tick)
    {
        const long long n = std::min<long long>(tick, frames - first);
        double e = ticks[size_t(first / tick)];
        if (gains.next(n, tickGains.data()))
        {
            e = 0;
            for (long long i = 0; i < n; ++i)
                e += std::pow(10.0, tickGains[size_t(i)] / 10.0) * energy[first + i];
        }
        hops[size_t(first / hop)] += e;
    }
    for (double& h : hops)
        h /= double(hop);
    return true;
}

} // namespace

CLimiterGains::CLimiterGains(const CPeakEnvelope& envelope, int sampleRate, double staticGainDb,
                             double ceilingDb)
    : envelope(envelope), limiter(sampleRate, ceilingDb), gain(std::pow(10.0, staticGainDb / 20.0))
{
    const long long ahead = limiter.lookAhead();
    for (long long f = 0; f < ahead && acts(); ++f)
        limiter.next(f < envelope.frames() ? envelope.envelope()[f] * gain : 0.0);
}

bool CLimiterGains::acts() const
{
    return envelope.frames() > 0 && envelope.truePeak() * gain > limiter.ceiling();
}

bool CLimiterGains::next(long long n, double* gainsDb)
{
    bool any = false;
    const long long frames = envelope.frames();
    const int tick = envelope.tickFrames();
    const std::vector<float>& peaks = envelope.tickPeaks();
    const long long ahead = limiter.lookAhead();
    for (long long done = 0; done < n;)
    {
        // Up to the end of the tick the envelope being fed is in.
        const long long feed = frame + ahead;
        const long long run = std::min(n - done, tick - feed % tick);
        const size_t t = size_t(feed / tick);
        const float coming = t < peaks.size() ? peaks[t] : 0.0f;
        if (!acts() || (limiter.atRest() && coming * gain <= limiter.ceiling()))
        {
            limiter.skip(run);
            std::fill(gainsDb + done, gainsDb + done + run, 0.0);
        }
        else
        {
            const float* values = envelope.envelope();
            for (long long i = 0; i < run; ++i)
            {
                const long long f = feed + i;
                const double g = limiter.next(f < frames ? values[f] * gain : 0.0);
                gainsDb[done + i] = g;
                any = any || g != 0;
            }
        }
        frame += run;
        done += run;
    }
    return any;
}

LimitedGain chooseLimitedGain(const CPeakEnvelope& envelope, int sampleRate, double targetLufs,
                              double limiterCeilingDb, double maxExtraDb)
{
    LimitedGain best;
    const std::vector<double> hops = envelope.hopEnergies();
    const double levelled = gatedLoudness(hops, 1.0);
    const double plain = targetLufs - levelled;
    best.gainDb = plain;
    best.predictedLufs = targetLufs;
    std::vector<double> limited;
    // The loudness after the gain and the limiter for a trial gain.
    auto predict = [&](double gainDb, bool& limits)
    {
        ++best.trials;
        limits = limitedHops(envelope, sampleRate, gainDb, limiterCeilingDb, limited);
        return limits ? gatedLoudness(limited, std::pow(10.0, gainDb / 10.0)) : levelled + gainDb;
    };
    double g0 = plain, l0 = predict(g0, best.limits);
    best.predictedLufs = l0;
    if (!best.limits || !std::isfinite(l0)) return best;
    double g1 = std::min(plain + maxExtraDb, g0 + (targetLufs - l0));
    while (best.trials < kMostTrials)
    {
        bool limits = false;
        const double l1 = predict(g1, limits);
        best.gainDb = g1;
        best.predictedLufs = l1;
        best.limits = limits;
        if (std::fabs(l1 - targetLufs) < kTolerance || !std::isfinite(l1)) break;
        // Loudness grows with the gain, never faster than it: a secant step, kept in bounds.
        const double slope = g1 != g0 ? std::clamp((l1 - l0) / (g1 - g0), 0.05, 1.0) : 1.0;
        const double g2 = std::clamp(g1 + (targetLufs - l1) / slope, plain, plain + maxExtraDb);
        if (g2 == g1) break;
        g0 = g1;
        l0 = l1;
        g1 = g2;
    }
    return best;
}
