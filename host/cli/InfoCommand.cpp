// quar2-host info PLUGIN: the effect record, the plug-in's names, every parameter with the
// values it takes, and the latency the plug-in reports when resumed and once it has processed a
// block (some plug-ins report it only then, too late for hosts that read it at activation).

#include "host/cli/Commands.h"
#include "host/cli/FileOutput.h"
#include "host/cli/FxpPreset.h"
#include "host/cli/ParameterSetter.h"
#include "host/lib/PluginInstance.h"

#include "vst/AEffect.h"

#include <cstdio>
#include <vector>

namespace
{

std::string flagNames(int32_t flags)
{
    static const struct
    {
        int32_t bit;
        const char* name;
    } known[] = {{effFlagsHasEditor, "HasEditor"},
                 {effFlagsCanReplacing, "CanReplacing"},
                 {effFlagsProgramChunks, "ProgramChunks"},
                 {effFlagsIsSynth, "IsSynth"},
                 {effFlagsNoSoundInStop, "NoSoundInStop"},
                 {effFlagsCanDoubleReplacing, "CanDoubleReplacing"}};
    std::string text;
    int32_t rest = flags;
    for (const auto& k : known)
        if (flags & k.bit)
        {
            text += (text.empty() ? "" : " ") + std::string(k.name);
            rest &= ~k.bit;
        }
    if (rest != 0)
    {
        char other[32];
        std::snprintf(other, sizeof other, "0x%x", unsigned(rest));
        text += (text.empty() ? "" : " ") + std::string(other);
    }
    return text;
}

} // namespace

int runInfo(const InfoOptions& options, const Verbosity&)
{
    std::string error;
    if (!isWindowsPlugin(options.plugin)) watchPluginFailures(options.plugin);
    std::unique_ptr<CPluginInstance> plugin = loadPlugin(options.plugin, error);
    if (!plugin) return reportFailure(error);
    const PluginInfo info = plugin->info();
    std::printf("effect:        %s\n", info.effectName.c_str());
    std::printf("vendor:        %s\n", info.vendor.c_str());
    std::printf("product:       %s\n", info.product.c_str());
    std::printf("unique id:     0x%08X \"%s\"\n", unsigned(info.uniqueId),
                fourCCText(info.uniqueId).c_str());
    std::printf("version:       %d (vendor version %d, VST version %d)\n", info.version,
                info.vendorVersion, info.vstVersion);
    std::printf("category:      %d\n", info.category);
    std::printf("flags:         0x%04X %s\n", unsigned(info.flags), flagNames(info.flags).c_str());
    std::printf("channels:      %d in, %d out\n", info.numInputs, info.numOutputs);
    // One block of silence, as a host would run before asking for the latency.
    constexpr int kBlock = 512;
    std::vector<float> silence(kBlock, 0.0f), outL(kBlock), outR(kBlock);
    const float* in[2] = {silence.data(), silence.data()};
    float* out[2] = {outL.data(), outR.data()};
    plugin->setSampleRate(48000.0f);
    plugin->setBlockSize(kBlock);
    plugin->resume();
    const int atResume = plugin->latency();
    plugin->process(in, out, kBlock);
    const int latency = plugin->latency();
    plugin->suspend();
    if (latency == atResume)
        std::printf("latency:       %d frames\n", latency);
    else
        std::printf("latency:       %d frames after a first block at 48000 Hz (%d when "
                    "resumed)\n",
                    latency, atResume);
    std::printf("programs:      %d, current \"%s\"\n", info.numPrograms,
                plugin->programName().c_str());
    std::vector<uint8_t> chunk;
    if (info.flags & effFlagsProgramChunks)
    {
        if (plugin->getChunk(true, chunk))
            std::printf("chunk:         %zu bytes\n", chunk.size());
        else
            std::printf("chunk:         none\n");
    }
    std::printf("parameters:    %d\n", info.numParams);
    for (int i = 0; i < info.numParams; ++i)
    {
        const std::string label = plugin->parameterLabel(i);
        const std::string name = "\"" + plugin->parameterName(i) + "\"";
        const std::string display =
            plugin->parameterDisplay(i) + (label.empty() ? "" : " " + label);
        const double value = double(plugin->getParameter(i));
        std::printf("  %3d  %-24s %-16s %.6f  %s\n", i, name.c_str(), display.c_str(), value,
                    describeParameterRange(*plugin, i).c_str());
    }
    if (plugin->failed()) return reportFailure(plugin->failure());
    return 0;
}
