#pragma once
// Fits a host's stereo stream to a plug-in's own channel counts: inputs beyond two get silence,
// a mono input gets the left channel, a mono output is played on both sides, outputs beyond two
// are dropped. Buffers are made once per block size, so processing does not allocate.

#include "host/lib/VstPlugin.h"

#include <vector>

class CChannelAdapter
{
  public:
    // [UI thread] Sizes the buffers for the plug-in's counts and at most `maxFrames` per block.
    void prepare(int numInputs, int numOutputs, int maxFrames);
    int maxFrames() const { return maxBlockFrames; }
    // Whether the plug-in has exactly two inputs and two outputs: the host's own stereo buffers
    // then fit it as they are.
    bool stereo() const { return inputs.size() == 2 && outputs.size() == 2; }

    // [audio thread] Runs one block (frames <= maxFrames) through the plug-in, which moves the
    // host's transport on.
    void process(CVstPlugin& plugin, const float* const in[2], float* const out[2], int frames);

  private:
    int maxBlockFrames = 0;
    std::vector<std::vector<float>> inputs;
    std::vector<std::vector<float>> outputs;
    std::vector<float*> inputPointers;
    std::vector<float*> outputPointers;
};
