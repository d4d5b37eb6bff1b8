// Callback entries 25 and 26: the audio bridge between the host's per-channel buffers and the
// script's per-frame channel variables. The block hook runs once per call (also for 0 frames);
// then, frame by frame, the inputs go into samples[c], the sample hook runs, and samples[c]
// goes to the outputs. Each frame's inputs are read before its outputs are written, so the host
// may process in place. [audio thread; no allocation, no lock]

#include <algorithm>
#include <cmath>
#include <limits>

#include "plugin/COstra.h"
#include "plugin/OstraRuntimeCallbacks.h"
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

// One channel variable on its way to the host. A value the host's format cannot hold never
// leaves the plug-in: NaN and infinity (from a non-finite input or a gain a hostile chunk
// pushed past every range) become silence, and a finite value beyond the format's largest
// becomes that largest value with its sign (narrowing it would be infinite). Every value the
// format holds passes unchanged.
template <typename Sample> inline Sample ToOutput(double value)
{
    constexpr double largest = static_cast<double>(std::numeric_limits<Sample>::max());
    if (std::fabs(value) <= largest) return static_cast<Sample>(value);
    if (std::isnan(value) || std::isinf(value)) return Sample(0);
    return static_cast<Sample>(value < 0.0 ? -largest : largest);
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
        // The effect's case: channel pointers taken once, no inner channel loop.
        const Sample* in0 = inputs[0];
        const Sample* in1 = inputs[1];
        Sample* out0 = outputs[0];
        Sample* out1 = outputs[1];
        for (int32_t i = 0; i < frames; ++i)
        {
            ch[0] = static_cast<double>(in0[i]);
            ch[1] = static_cast<double>(in1[i]);
            runtime->DoSample();
            out0[i] = ToOutput<Sample>(ch[0]);
            out1[i] = ToOutput<Sample>(ch[1]);
        }
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
