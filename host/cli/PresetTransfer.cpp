#include "host/cli/PresetTransfer.h"

#include "vst/AEffect.h"

bool applyPreset(CPluginInstance& plugin, const FxpProgram& program, std::string& error)
{
    const PluginInfo info = plugin.info();
    if (program.uniqueId != info.uniqueId)
    {
        error = "the preset is for another plug-in (unique id \"" + fourCCText(program.uniqueId) +
                "\", this plug-in is \"" + fourCCText(info.uniqueId) + "\")";
        return false;
    }
    const bool chunks = (info.flags & effFlagsProgramChunks) != 0;
    if (program.isChunk && !chunks)
    {
        error = "the preset holds a state chunk but this plug-in does not keep its programs as "
                "chunks";
        return false;
    }
    if (!program.isChunk && int(program.params.size()) != info.numParams)
    {
        error = "the preset holds " + std::to_string(program.params.size()) +
                " parameter values but this plug-in has " + std::to_string(info.numParams);
        return false;
    }
    if (program.isChunk)
    {
        // VST 2 gives a plug-in no way to say no to a chunk; one that refuses it keeps its state.
        // Its state read back before and after tells: unchanged while the chunk differs from it
        // means the chunk was not taken.
        std::vector<uint8_t> before, after;
        const bool readable = plugin.getChunk(true, before);
        plugin.setChunk(true, program.chunk);
        if (readable && plugin.getChunk(true, after) && after == before && before != program.chunk)
        {
            error = "the plug-in refused the preset's state chunk (" +
                    std::to_string(program.chunk.size()) + " bytes): its state stayed as it was";
            return false;
        }
    }
    else
        for (size_t i = 0; i < program.params.size(); ++i)
            plugin.setParameter(int(i), program.params[i]);
    plugin.setProgramName(program.name);
    if (plugin.failed())
    {
        error = plugin.failure();
        return false;
    }
    return true;
}

bool capturePreset(CPluginInstance& plugin, FxpProgram& program, std::string& error)
{
    const PluginInfo info = plugin.info();
    FxpProgram p;
    p.uniqueId = info.uniqueId;
    p.pluginVersion = info.version;
    p.name = plugin.programName();
    p.isChunk = (info.flags & effFlagsProgramChunks) != 0;
    if (p.isChunk)
    {
        if (!plugin.getChunk(true, p.chunk))
        {
            error = plugin.failed() ? plugin.failure() : "the plug-in handed out no state chunk";
            return false;
        }
    }
    else
    {
        // Normalised values outside 0..1 (or NaN) are not valid in a program file.
        for (int i = 0; i < info.numParams; ++i)
        {
            const float v = plugin.getParameter(i);
            p.params.push_back(v >= 0.0f ? (v <= 1.0f ? v : 1.0f) : 0.0f);
        }
    }
    if (plugin.failed())
    {
        error = plugin.failure();
        return false;
    }
    program = std::move(p);
    return true;
}
