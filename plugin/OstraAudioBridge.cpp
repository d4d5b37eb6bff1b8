// The audio entries of the callback table (ProcessReplacing, ProcessDoubleReplacing): the bridge
// between the host's per-channel buffers and the script's per-frame channel variables:
// RunAudioCall with the effect's channel count. For two channels the whole block goes to the
// runtime's DoSamples (or an effect's own loop with the same results).
// [audio thread; no allocation, no lock]

#include "plugin/COstra.h"
#include "plugin/OstraCallbackFillers.h"
#include "runtime/XlatAudioCall.h"

namespace
{
template <typename Sample>
void Bridge(COstra* plugin, Sample** inputs, Sample** outputs, int32_t frames)
{
    TXlat* runtime = plugin->getRuntime();
    if (!runtime) return;
    RunAudioCall(*runtime, inputs, outputs, plugin->getChannelCount(), frames);
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
