#include "host/cli/BackgroundMeter.h"

#include <algorithm>

namespace
{
constexpr size_t kFrames = 1 << 15;
}

CBackgroundMeter::CBackgroundMeter(CLoudnessMeter& meter) : meter(meter)
{
    for (int c = 0; c < 2; ++c)
    {
        gathering[c].resize(kFrames);
        measuring[c].resize(kFrames);
    }
}

void CBackgroundMeter::add(const float* left, const float* right, int frames)
{
    for (int done = 0; done < frames;)
    {
        const size_t n = std::min(kFrames - used, size_t(frames - done));
        std::copy(left + done, left + done + n, gathering[0].data() + used);
        std::copy(right + done, right + done + n, gathering[1].data() + used);
        used += n;
        done += int(n);
        if (used == kFrames) launch();
    }
}

void CBackgroundMeter::launch()
{
    if (working.valid()) working.wait();
    std::swap(gathering[0], measuring[0]);
    std::swap(gathering[1], measuring[1]);
    const int n = int(used);
    used = 0;
    working = std::async(std::launch::async,
                         [this, n] { meter.add(measuring[0].data(), measuring[1].data(), n); });
}

void CBackgroundMeter::finish()
{
    if (used > 0) launch();
    if (working.valid()) working.wait();
}
