#include "host/lib/ProcessTiming.h"

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
    // A stereo plug-in gets the host's own buffers, as a DAW hands a track's: the input read
    // where it lies (in a copy the plug-in may write into) and one output block reused, so that
    // only the plug-in is timed, not per-block copies a host does not need. Other channel counts
    // go through the adapter.
    const bool direct = channels.stereo();
    std::vector<float> inL, inR;
    if (direct)
    {
        inL.assign(left, left + frames);
        inR.assign(right, right + frames);
    }
    // The host answers as ever but keeps no record of the requests while timing.
    const bool keeping = host.keepsRequests();
    host.keepRequests(false);
    const auto start = std::chrono::steady_clock::now();
    for (long long at = 0; at < frames; at += block)
    {
        const int n = int(std::min<long long>(block, frames - at));
        if (direct)
        {
            float* in[2] = {inL.data() + at, inR.data() + at};
            plugin.processReplacing(in, out, n);
        }
        else
        {
            const float* in[2] = {left + at, right + at};
            channels.process(plugin, in, out, n);
        }
    }
    const auto stop = std::chrono::steady_clock::now();
    host.keepRequests(keeping);
    return std::chrono::duration<double>(stop - start).count();
}
