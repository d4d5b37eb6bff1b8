#include "host/cli/Loudness.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{
constexpr double kAbsoluteGate = -70.0; // LUFS
constexpr double kRelativeGate = -20.0; // LU below the mean of the blocks above the absolute gate
constexpr double kLowPercentile = 0.10;
constexpr double kHighPercentile = 0.95;
constexpr int kWindowHops = 30;           // 3 s in 100 ms hops
constexpr int kMomentaryHops = 4;         // 400 ms
constexpr double kIntegratedGate = -10.0; // LU below the mean: the integrated loudness's gate
constexpr double kFloorPercentile = 0.10;

double energyToLufs(double energy)
{
    return energy > 0 ? -0.691 + 10.0 * std::log10(energy) : -HUGE_VAL;
}
} // namespace

CLoudnessMeter::CLoudnessMeter(int channels, int sampleRate, bool loudness, bool truePeak)
    : channelCount(channels == 1 ? 1 : 2), measureLoudness(loudness),
      hopFrames(std::max(1, sampleRate / 10)), highestMomentary(-HUGE_VAL),
      highestShortTerm(-HUGE_VAL)
{
    if (loudness)
        state = ebur128_init(static_cast<unsigned>(channelCount),
                             static_cast<unsigned long>(sampleRate), EBUR128_MODE_I);
    if (truePeak) peaks = std::make_unique<CTruePeakDetector>(channelCount, sampleRate);
}

CLoudnessMeter::~CLoudnessMeter()
{
    if (state != nullptr) ebur128_destroy(&state);
}

void CLoudnessMeter::add(const float* left, const float* right, int frames)
{
    if (peaks) peaks->add(left, right, frames, nullptr);
    if (state == nullptr) return;
    // Pieces end on every 100 ms boundary of the stream, where the short-term loudness is read.
    for (int done = 0; done < frames;)
    {
        const long long toHop = hopFrames - fedFrames % hopFrames;
        const int n = int(std::min<long long>({frames - done, toHop, 1024}));
        addPiece(left + done, right + done, n);
        done += n;
        fedFrames += n;
        if (!measureLoudness || fedFrames % hopFrames != 0) continue;
        const long long hops = fedFrames / hopFrames;
        double lufs = 0;
        if (ebur128_loudness_window(state, 100, &lufs) != EBUR128_SUCCESS) continue;
        // Loudness is -0.691 + 10 log10(mean square); silence comes back as -inf (energy 0).
        hopEnergy[hops % kWindowHops] = std::pow(10.0, (lufs + 0.691) / 10.0);
        hopHistory.push_back(float(lufs));
        double sum = 0, recent = 0;
        for (double e : hopEnergy)
            sum += e;
        // Slots not yet written hold 0: silence before the start.
        for (int k = 0; k < kMomentaryHops; ++k)
            recent += hopEnergy[(hops - k + kWindowHops) % kWindowHops];
        const double shortTerm = energyToLufs(sum / kWindowHops);
        const double momentary = energyToLufs(recent / kMomentaryHops);
        highestShortTerm = std::max(highestShortTerm, shortTerm);
        highestMomentary = std::max(highestMomentary, momentary);
        if (hops >= kMomentaryHops) momentaryHistory.push_back(float(momentary));
        if (hops >= kWindowHops) shortTermHistory.push_back(shortTerm);
    }
}

void CLoudnessMeter::addPiece(const float* left, const float* right, int frames)
{
    if (channelCount == 1)
    {
        ebur128_add_frames_float(state, left, size_t(frames));
        return;
    }
    for (int i = 0; i < frames; ++i)
    {
        interleaved[2 * i] = left[i];
        interleaved[2 * i + 1] = right[i];
    }
    ebur128_add_frames_float(state, interleaved, size_t(frames));
}

double CLoudnessMeter::integrated() const
{
    double lufs = -HUGE_VAL;
    if (state == nullptr || !measureLoudness ||
        ebur128_loudness_global(state, &lufs) != EBUR128_SUCCESS)
        return -HUGE_VAL;
    return lufs;
}

double CLoudnessMeter::range() const
{
    std::vector<double> gated;
    double energy = 0;
    for (double l : shortTermHistory)
        if (std::isfinite(l) && l > kAbsoluteGate)
        {
            gated.push_back(l);
            energy += std::pow(10.0, l / 10.0);
        }
    if (gated.empty()) return 0;
    const double relative = 10.0 * std::log10(energy / double(gated.size())) + kRelativeGate;
    gated.erase(std::remove_if(gated.begin(), gated.end(), [&](double l) { return l < relative; }),
                gated.end());
    if (gated.size() < 2) return 0;
    std::sort(gated.begin(), gated.end());
    auto at = [&](double p) { return gated[size_t(std::lround(double(gated.size() - 1) * p))]; };
    return std::max(0.0, at(kHighPercentile) - at(kLowPercentile));
}

double CLoudnessMeter::truePeak() const
{
    if (!peaks) return 0;
    // The points between the last frames and the silence after them too.
    CTruePeakDetector tail = *peaks;
    tail.finish(nullptr);
    return tail.truePeak();
}

double CLoudnessMeter::samplePeak() const
{
    return peaks ? peaks->samplePeak() : 0;
}

double CLoudnessMeter::noiseFloor() const
{
    const double integrated = this->integrated();
    if (!std::isfinite(integrated)) return NAN;
    std::vector<float> pauses;
    for (float m : momentaryHistory)
        if (m < integrated + kIntegratedGate) pauses.push_back(m);
    if (pauses.empty()) return NAN;
    const size_t at = size_t(std::lround(double(pauses.size() - 1) * kFloorPercentile));
    std::nth_element(pauses.begin(), pauses.begin() + long(at), pauses.end());
    return pauses[at];
}

std::string CLoudnessMeter::formatLufs(double lufs)
{
    if (!std::isfinite(lufs)) return "-inf LUFS";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f LUFS", lufs);
    return text;
}

std::string CLoudnessMeter::formatDb(double level)
{
    if (!(level > 0)) return "-inf";
    char text[32];
    std::snprintf(text, sizeof text, "%+.1f", 20.0 * std::log10(level));
    return text;
}
