#pragma once
// The channel samples of the current frame and the two processing hooks.

#include <vector>

#include "runtime/XlatSliders.h"

class CXlatSamples : public CXlatSliders
{
  public:
    // Number of channel sample variables.
    static constexpr int kSampleCount = 64;

    CXlatSamples() : samples(kSampleCount, 0.0) {}

    // [audio thread] Once at the start of every processing call, before any frame (also for
    // a call of 0 frames). Default: nothing.
    virtual void DoBlock() {}
    // [audio thread] Once per frame, with `samples` holding that frame's input; what it leaves in
    // `samples` becomes the output. Default: nothing (the audio passes through).
    virtual void DoSample() {}

    // Channel samples of the current frame, index = channel; always kSampleCount entries.
    std::vector<double> samples;
};
