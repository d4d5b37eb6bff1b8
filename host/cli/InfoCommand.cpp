// quar2-host info PLUGIN: the effect record, the plug-in's names and every parameter.

#include "host/cli/CommandLine.h"
#include "host/cli/Commands.h"
#include "host/cli/FxpPreset.h"
#include "host/cli/PluginInstance.h"

#include "vst/AEffect.h"

#include <cstdio>

namespace {

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
        if (flags & k.bit) {
            text += (text.empty() ? "" : " ") + std::string(k.name);
            rest &= ~k.bit;
        }
    if (rest != 0) {
        char other[32];
        std::snprintf(other, sizeof other, "0x%x", unsigned(rest));
        text += (text.empty() ? "" : " ") + std::string(other);
    }
    return text;
}

} // namespace

int runInfo(int argc, char** argv)
{
    CCommandLine args({}, {});
    std::string error;
    if (!args.parse(argc, argv, 0, error) || args.positional().size() != 1)
        return reportFailure((error.empty() ? "" : error + "\n") + "usage: quar2-host info PLUGIN",
                             2);
    std::unique_ptr<CPluginInstance> plugin = loadPlugin(args.positional()[0], error);
    if (!plugin)
        return reportFailure(error);
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
    std::printf("latency:       %d frames\n", info.initialDelay);
    std::printf("programs:      %d, current \"%s\"\n", info.numPrograms,
                plugin->programName().c_str());
    std::vector<uint8_t> chunk;
    if (info.flags & effFlagsProgramChunks) {
        if (plugin->getChunk(true, chunk))
            std::printf("chunk:         %zu bytes\n", chunk.size());
        else
            std::printf("chunk:         none\n");
    }
    std::printf("parameters:    %d\n", info.numParams);
    for (int i = 0; i < info.numParams; ++i) {
        const std::string label = plugin->parameterLabel(i);
        std::printf("  %3d  %-24s %-16s %.6f\n", i, ("\"" + plugin->parameterName(i) + "\"").c_str(),
                    (plugin->parameterDisplay(i) + (label.empty() ? "" : " " + label)).c_str(),
                    double(plugin->getParameter(i)));
    }
    if (plugin->failed())
        return reportFailure(plugin->failure());
    return 0;
}
