#include "host/cli/SpeechLikeSignal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace
{

constexpr double kPi = 3.14159265358979323846;

// A small fixed generator, so the signal is the same on every machine and run.
class CRandom
{
  public:
    explicit CRandom(uint32_t seed) : state(seed) {}
    double uniform() // [0, 1)
    {
        state = state * 1664525u + 1013904223u;
        return double(state >> 8) / double(1u << 24);
    }
    double between(double lo, double hi) { return lo + (hi - lo) * uniform(); }

  private:
    uint32_t state;
};

// Two-pole resonator (a formant), unity gain near its centre.
struct CResonator
{
    double a1 = 0, a2 = 0, gain = 0, y1 = 0, y2 = 0;
    void tune(double hz, double bandwidth, int rate)
    {
        const double r = std::exp(-kPi * bandwidth / rate);
        a1 = 2 * r * std::cos(2 * kPi * hz / rate);
        a2 = -r * r;
        gain = 1 - r;
    }
    double run(double x)
    {
        const double y = gain * x + a1 * y1 + a2 * y2;
        y2 = y1;
        y1 = y;
        return y;
    }
};

} // namespace

StereoSignal makeSpeechLikeSignal(double seconds, int sampleRate)
{
    StereoSignal s;
    s.sampleRate = sampleRate;
    const size_t frames = size_t(std::max(0.0, seconds) * sampleRate);
    s.left.assign(frames, 0.0f);
    s.right.assign(frames, 0.0f);
    CRandom random(0x51554152u);
    CResonator f1, f2, fric;
    size_t at = 0;
    double phase = 0;
    while (at < frames)
    {
        // One phrase: a level, a few words, a pause.
        const double phraseDb = random.between(-40.0, -16.0); // RMS, dBFS
        const int words = 2 + int(random.uniform() * 6);
        for (int w = 0; w < words && at < frames; ++w)
        {
            const int syllables = 1 + int(random.uniform() * 3);
            for (int k = 0; k < syllables && at < frames; ++k)
            {
                const double pitch = random.between(95.0, 210.0);
                f1.tune(random.between(300.0, 850.0), 90.0, sampleRate);
                f2.tune(random.between(900.0, 2400.0), 120.0, sampleRate);
                fric.tune(random.between(3500.0, 6500.0), 1500.0, sampleRate);
                const double length = random.between(0.12, 0.28);
                const double noisy = random.uniform() < 0.3 ? random.between(0.03, 0.08) : 0.0;
                const size_t n = std::min(size_t(length * sampleRate), frames - at);
                // The syllable's RMS level in dBFS: the phrase's level, give or take 4 dB.
                const double rms = std::pow(10.0, (phraseDb + random.between(-4.0, 4.0)) / 20.0);
                std::vector<double> syllable(n);
                double energy = 0;
                for (size_t i = 0; i < n; ++i)
                {
                    const double t = double(i) / sampleRate;
                    double x = 0;
                    if (t < noisy)
                    { // a consonant: filtered noise
                        x = fric.run(random.between(-1.0, 1.0));
                    }
                    else
                    { // a vowel: a buzz at a gliding pitch through two formants
                        const double f0 = pitch * (1.0 + 0.08 * (t / length - 0.5));
                        phase += f0 / sampleRate;
                        phase -= std::floor(phase);
                        const double buzz = 2.0 * phase - 1.0;
                        x = f1.run(buzz) + 0.6 * f2.run(buzz);
                    }
                    // Syllable envelope: quick rise, slower fall.
                    const double u = t / length;
                    x *= std::sin(kPi * std::min(1.0, u * 1.4)) * (u < 0.7 ? 1.0 : (1.0 - u) / 0.3);
                    syllable[i] = x;
                    energy += x * x;
                }
                const double scale = energy > 0 ? rms / std::sqrt(energy / double(n)) : 0.0;
                for (size_t i = 0; i < n; ++i, ++at)
                {
                    const double v = syllable[i] * scale;
                    s.left[at] = float(v);
                    s.right[at] = float(v * 0.9 + 0.001 * random.between(-1.0, 1.0) * scale);
                }
            }
            at += size_t(random.between(0.05, 0.2) * sampleRate); // between words
        }
        at += size_t(random.between(0.4, 1.2) * sampleRate); // between phrases
    }
    return s;
}
