// Callback entries 25 and 26: the audio bridge between the host's per-channel buffers and the
// script's per-frame channel variables. The block hook runs once per call (also for 0 frames);
// then, frame by frame, the inputs go into samples[c], the sample hook runs, and samples[c]
// goes to the outputs. For two channels the whole block goes to the runtime's DoSamples, which
// does exactly that (or an effect's own loop with the same results). Each frame's inputs are
// read before its outputs are written, so the host may process in place.
// [audio thread; no allocation, no lock]

#include <algorithm>

#include "plugin/COstra.h"
#include "plugin/OstraCallbackFillers.h"
#include "runtime/SampleOutput.h"
#include "runtime/Xlat.h"

namespace
{
// True when every channel pointer the frame loop will use exists. A host passing null buffers
// gets the block hook and no frame loop (nothing is written).
template <typename Sample> bool BuffersUsable(Sample** inputs, Sample** outputs, int32_t channels)
{
    if (channels <= 0) return true;
    if (!inputs || !outputs) return false;
    for (int32_t c = 0; c < channels; ++c)
    {
        if (!inputs[c] || !outputs[c]) return false;
    }
    return true;
}

template <typename Sample>
void Bridge(COstra* plugin, Sample** inputs, Sample** outputs, int32_t frames)
{
    TXlat* runtime = plugin->getRuntime();
    if (!runtime) return;
    // The script has kSampleCount channel variables; channels beyond them are not moved.
    const int32_t channels = std::min<int32_t>(plugin->getChannelCount(), TXlat::kSampleCount);
    runtime->DoBlock();
    if (frames <= 0 || !BuffersUsable(inputs, outputs, channels)) return;
    double* ch = runtime->samples.data();
    if (channels == 2)
    {
        // The effect's case: channel pointers taken once and the whole block handed to the
        // runtime, which runs the sample hook over it (one call, not one per frame).
        runtime->DoSamples(inputs[0], inputs[1], outputs[0], outputs[1], frames);
        return;
    }
    for (int32_t i = 0; i < frames; ++i)
    {
        for (int32_t c = channels - 1; c >= 0; --c)
            ch[c] = static_cast<double>(inputs[c][i]);
        runtime->DoSample();
        for (int32_t c = channels - 1; c >= 0; --c)
            outputs[c][i] = ToOutput<Sample>(ch[c]);
    }
}

void ProcessReplacing(COstra* plugin, float** inputs, float** outputs, int32_t frames)
{
    Bridge(plugin, inputs, outputs, frames);
}

void ProcessDoubleReplacing(COstra* plugin, double** inputs, double** outputs, int32_t frames)
{
    Bridge(plugin, inputs, outputs, frames);
}
} // namespace

void FillOstraAudioCallbacks(TOstraCallbacks& table)
{
    table.ProcessReplacing = ProcessReplacing;
    table.ProcessDoubleReplacing = ProcessDoubleReplacing;
}
