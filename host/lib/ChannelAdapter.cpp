#include "host/lib/ChannelAdapter.h"

#include <algorithm>
#include <cstring>

void CChannelAdapter::prepare(int numInputs, int numOutputs, int maxFrames)
{
    maxFrames_ = std::max(maxFrames, 1);
    // The record's counts come from the plug-in; a negative one is treated as none.
    inputs_.assign(size_t(std::max(numInputs, 0)), std::vector<float>(size_t(maxFrames_), 0.0f));
    outputs_.assign(size_t(std::max(numOutputs, 0)), std::vector<float>(size_t(maxFrames_), 0.0f));
    inputPointers_.clear();
    outputPointers_.clear();
    for (auto& b : inputs_)
        inputPointers_.push_back(b.data());
    for (auto& b : outputs_)
        outputPointers_.push_back(b.data());
    // Some plug-ins index the arrays beyond their declared counts; a null-safe extra entry
    // keeps a zero-channel record from handing them an empty array.
    inputPointers_.push_back(nullptr);
    outputPointers_.push_back(nullptr);
}

void CChannelAdapter::process(CVstPlugin& plugin, const float* const in[2], float* const out[2],
                              int frames)
{
    frames = std::clamp(frames, 0, maxFrames_);
    const size_t bytes = size_t(frames) * sizeof(float);
    for (size_t c = 0; c < inputs_.size(); ++c) {
        if (c < 2)
            std::memcpy(inputs_[c].data(), in[c], bytes);
        else
            std::memset(inputs_[c].data(), 0, bytes);
    }
    for (auto& b : outputs_)
        std::memset(b.data(), 0, bytes);
    plugin.processReplacing(inputPointers_.data(), outputPointers_.data(), frames);
    for (size_t c = 0; c < 2; ++c) {
        if (outputs_.empty())
            std::memset(out[c], 0, bytes);
        else
            std::memcpy(out[c], outputs_[std::min(c, outputs_.size() - 1)].data(), bytes);
    }
}
