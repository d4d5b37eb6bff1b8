#include "host/cli/Loudness.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ebur128.h>

CLoudnessMeter::CLoudnessMeter(int channels, int sampleRate) : channels_(channels == 1 ? 1 : 2)
{
    state_ = ebur128_init(static_cast<unsigned>(channels_), static_cast<unsigned long>(sampleRate),
                          EBUR128_MODE_I | EBUR128_MODE_LRA);
}

CLoudnessMeter::~CLoudnessMeter()
{
    if (state_ != nullptr)
        ebur128_destroy(&state_);
}

void CLoudnessMeter::add(const float* left, const float* right, int frames)
{
    if (state_ == nullptr)
        return;
    if (channels_ == 1) {
        ebur128_add_frames_float(state_, left, size_t(std::max(frames, 0)));
        return;
    }
    // Interleave in pieces that fit the member buffer.
    for (int done = 0; done < frames;) {
        const int n = std::min(frames - done, 1024);
        for (int i = 0; i < n; ++i) {
            interleaved_[2 * i] = left[done + i];
            interleaved_[2 * i + 1] = right[done + i];
        }
        ebur128_add_frames_float(state_, interleaved_, size_t(n));
        done += n;
    }
}

double CLoudnessMeter::integrated() const
{
    double lufs = -HUGE_VAL;
    if (state_ == nullptr || ebur128_loudness_global(state_, &lufs) != EBUR128_SUCCESS)
        return -HUGE_VAL;
    return lufs;
}

double CLoudnessMeter::range() const
{
    double lu = 0;
    if (state_ == nullptr || ebur128_loudness_range(state_, &lu) != EBUR128_SUCCESS ||
        !std::isfinite(lu))
        return 0;
    return lu;
}

std::string CLoudnessMeter::formatLufs(double lufs)
{
    if (!std::isfinite(lufs))
        return "-inf LUFS";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f LUFS", lufs);
    return text;
}
