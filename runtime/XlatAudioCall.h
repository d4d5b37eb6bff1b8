#pragma once
// One processing call of the host on the runtime: the block hook once (also for 0 frames), then
// frame by frame the inputs go into samples[c], the sample hook runs, and samples[c] goes to the
// outputs through the output guard. Each frame's inputs are read before its outputs are
// written, so the host may process in place. The plug-in's audio bridge and the tests that play
// the host run this same loop.
// [audio thread; no allocation, no lock]

#include <algorithm>
#include <cstdint>
#include <type_traits>

#include "runtime/SampleOutput.h"
#include "runtime/Xlat.h"

// The default observer of RunAudioCall: none, which lets two channels go to the runtime's
// block loop (DoSamples) in one call.
struct NoFrameObserver
{
    void operator()(int32_t /*frame*/) const {}
};

// True when every channel pointer the frame loop will use exists.
template <typename Sample>
bool AudioBuffersUsable(const Sample* const* inputs, Sample* const* outputs, int32_t channels)
{
    if (channels <= 0) return true;
    if (!inputs || !outputs) return false;
    for (int32_t c = 0; c < channels; ++c)
    {
        if (!inputs[c] || !outputs[c]) return false;
    }
    return true;
}

// Runs one call of `frames` frames over `channels` channel buffers. A host passing null buffers
// gets the block hook and no frame loop (nothing is written). The script has kSampleCount channel
// variables; channels beyond them are not moved. An observer other than NoFrameObserver is
// called with each frame's index right after its sample hook (the loop then runs frame by frame
// for every channel count; the block loop gives the same results).
template <typename Sample, typename FrameObserver = NoFrameObserver>
void RunAudioCall(TXlat& runtime, const Sample* const* inputs, Sample* const* outputs,
                  int32_t channels, int32_t frames, FrameObserver&& afterFrame = {})
{
    channels = std::min<int32_t>(channels, TXlat::kSampleCount);
    runtime.DoBlock();
    if (frames <= 0 || !AudioBuffersUsable(inputs, outputs, channels)) return;
    if constexpr (std::is_same_v<std::decay_t<FrameObserver>, NoFrameObserver>)
    {
        if (channels == 2)
        {
            // The effect's case: channel pointers taken once and the whole block handed to
            // the runtime, which runs the sample hook over it (one call, not one per frame).
            runtime.DoSamples(inputs[0], inputs[1], outputs[0], outputs[1], frames);
            return;
        }
    }
    double* ch = runtime.samples.data();
    for (int32_t i = 0; i < frames; ++i)
    {
        for (int32_t c = channels - 1; c >= 0; --c)
            ch[c] = static_cast<double>(inputs[c][i]);
        runtime.DoSample();
        afterFrame(i);
        for (int32_t c = channels - 1; c >= 0; --c)
            outputs[c][i] = ToOutput<Sample>(ch[c]);
    }
}
