#include "host/cli/ProcessTiming.h"

#include <algorithm>
#include <chrono>
#include <vector>

double timeBlocks(CChannelAdapter& channels, CVstPlugin& plugin, CHostCallback& host,
                  const float* left, const float* right, long long frames, int block)
{
    block = std::clamp(block, 1, channels.maxFrames());
    const size_t frameCount = size_t(block);
    std::vector<float> outL(frameCount), outR(frameCount);
    float* out[2] = {outL.data(), outR.data()};
    const auto start = std::chrono::steady_clock::now();
    for (long long at = 0; at < frames; at += block) {
        const int n = int(std::min<long long>(block, frames - at));
        const float* in[2] = {left + at, right + at};
        channels.process(plugin, in, out, n);
        host.clearRequests(); // keeps the host's request log from growing during the run
    }
    const auto stop = std::chrono::steady_clock::now();
    return std::chrono::duration<double>(stop - start).count();
}
