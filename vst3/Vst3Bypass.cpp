#include "vst3/Vst3Bypass.h"

#include <algorithm>
#include <cmath>

namespace
{
// The crossfade: 5 ms, short enough to feel immediate, long enough not to click.
constexpr double kFadeSeconds = 0.005;
// Blocks are split into chunks of at least this many frames when a host announced less.
constexpr int32_t kSmallestCapacity = 1024;
} // namespace

void CVst3Bypass::prepare(int32_t delayFrames, int32_t maxBlock, double sampleRate)
{
    const size_t delay = static_cast<size_t>(std::max<int32_t>(delayFrames, 0));
    const size_t block = static_cast<size_t>(std::max(maxBlock, kSmallestCapacity));
    for (int c = 0; c < 2; ++c)
    {
        line[c].assign(delay, 0.0);
        dry[c].assign(block, 0.0);
    }
    const double fadeLength =
        std::isfinite(sampleRate) && sampleRate > 0.0 ? kFadeSeconds * sampleRate : 1.0;
    fadeFrames = static_cast<int32_t>(std::clamp(std::round(fadeLength), 1.0, 1e6));
    reset();
}

void CVst3Bypass::reset()
{
    for (auto& channel : line)
        std::fill(channel.begin(), channel.end(), 0.0);
    position = 0;
    fadePosition = bypassed ? fadeFrames : 0;
}

template <typename T> void CVst3Bypass::take(const T* const* inputs, int32_t frames)
{
    const size_t n = static_cast<size_t>(std::clamp(frames, 0, capacity()));
    const size_t delay = line[0].size();
    for (int c = 0; c < 2; ++c)
    {
        const T* in = inputs[c];
        double* out = dry[c].data();
        if (delay == 0)
        {
            for (size_t i = 0; i < n; ++i)
                out[i] = static_cast<double>(in[i]);
            continue;
        }
        double* ring = line[c].data();
        size_t at = position;
        for (size_t i = 0; i < n; ++i)
        {
            out[i] = ring[at];
            ring[at] = static_cast<double>(in[i]);
            if (++at == delay) at = 0;
        }
    }
    if (delay != 0) position = (position + n) % delay;
}

template <typename T> void CVst3Bypass::blend(T* const* outputs, int32_t frames)
{
    const int32_t target = bypassed ? fadeFrames : 0;
    if (fadePosition == 0 && target == 0) return; // levelled audio as it is
    const size_t n = static_cast<size_t>(std::clamp(frames, 0, capacity()));
    for (size_t i = 0; i < n; ++i)
    {
        fadePosition += fadePosition < target ? 1 : fadePosition > target ? -1 : 0;
        const double share = static_cast<double>(fadePosition) / fadeFrames;
        for (int c = 0; c < 2; ++c)
        {
            const double d = dry[c][i];
            if (fadePosition == fadeFrames)
                outputs[c][i] = static_cast<T>(d);
            else if (fadePosition != 0)
            {
                const double wet = static_cast<double>(outputs[c][i]);
                outputs[c][i] = static_cast<T>(wet + (d - wet) * share);
            }
        }
    }
}

template void CVst3Bypass::take(const float* const*, int32_t);
template void CVst3Bypass::take(const double* const*, int32_t);
template void CVst3Bypass::blend(float* const*, int32_t);
template void CVst3Bypass::blend(double* const*, int32_t);
