#include "host/lib/ChannelAdapter.h"

#include <algorithm>
#include <cstring>

void CChannelAdapter::prepare(int numInputs, int numOutputs, int maxFrames)
{
    maxBlockFrames = std::max(maxFrames, 1);
    // The record's counts come from the plug-in; a negative one is treated as none.
    inputs.assign(size_t(std::max(numInputs, 0)), std::vector<float>(size_t(maxBlockFrames), 0.0f));
    outputs.assign(size_t(std::max(numOutputs, 0)),
                   std::vector<float>(size_t(maxBlockFrames), 0.0f));
    inputPointers.clear();
    outputPointers.clear();
    for (auto& b : inputs)
        inputPointers.push_back(b.data());
    for (auto& b : outputs)
        outputPointers.push_back(b.data());
    // Some plug-ins index the arrays beyond their declared counts; a null-safe extra entry
    // keeps a zero-channel record from handing them an empty array.
    inputPointers.push_back(nullptr);
    outputPointers.push_back(nullptr);
}

void CChannelAdapter::process(CVstPlugin& plugin, const float* const in[2], float* const out[2],
                              int frames)
{
    frames = std::clamp(frames, 0, maxBlockFrames);
    const size_t bytes = size_t(frames) * sizeof(float);
    for (size_t c = 0; c < inputs.size(); ++c)
    {
        if (c < 2)
            std::memcpy(inputs[c].data(), in[c], bytes);
        else
            std::memset(inputs[c].data(), 0, bytes);
    }
    for (auto& b : outputs)
        std::memset(b.data(), 0, bytes);
    plugin.processReplacing(inputPointers.data(), outputPointers.data(), frames);
    for (size_t c = 0; c < 2; ++c)
    {
        if (outputs.empty())
            std::memset(out[c], 0, bytes);
        else
            std::memcpy(out[c], outputs[std::min(c, outputs.size() - 1)].data(), bytes);
    }
}
