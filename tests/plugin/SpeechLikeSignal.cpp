#include "tests/plugin/BuiltPlugin.h"

#include <cmath>
#include <cstdint>

namespace
{
constexpr double kPi = 3.14159265358979323846;
}

std::vector<std::vector<float>> SpeechLikeSignal(size_t frames)
{
    std::vector<std::vector<float>> signal(2, std::vector<float>(frames, 0.0f));
    uint32_t noise = 12345u; // fixed linear congruential sequence: the same on every platform
    const double rate = 44100.0;
    for (size_t i = 0; i < frames; ++i)
    {
        const double t = static_cast<double>(i) / rate;
        // Syllables at about 4 per second; every third second is loud, every other quiet.
        const double syllable = std::pow(std::sin(kPi * 4.0 * t), 2.0);
        const int second = static_cast<int>(t);
        const double level = second % 3 == 0 ? 0.6 : (second % 3 == 1 ? 0.05 : 0.2);
        double voice = 0.0;
        for (int k = 1; k <= 4; ++k)
            voice += std::sin(2.0 * kPi * 140.0 * k * t) / k;
        noise = noise * 1664525u + 1013904223u;
        const double hiss = (static_cast<double>(noise >> 8) / 16777216.0 - 0.5) * 0.02;
        const double left = level * syllable * voice * 0.5 + hiss;
        signal[0][i] = static_cast<float>(left);
        signal[1][i] = static_cast<float>(left * 0.7 - hiss);
    }
    return signal;
}
