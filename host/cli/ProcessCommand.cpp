// quar2-host process PLUGIN IN OUT: levels one audio file through a plug-in, the way a host
// would run it: open, sample rate, block size, state, resume, blocks with the transport
// playing, suspend.

#include "host/cli/AudioFile.h"
#include "host/cli/CommandLine.h"
#include "host/cli/Commands.h"
#include "host/cli/FxpPreset.h"
#include "host/cli/LevelLog.h"
#include "host/cli/Loudness.h"
#include "host/cli/ParameterSetter.h"
#include "host/cli/PresetTransfer.h"
#include "host/cli/ProgressBar.h"

#include <cstdio>
#include <vector>

namespace {

constexpr int kDefaultBlock = 512;
constexpr int kMaxBlock = 65536;

const char* kUsage =
    "usage: quar2-host process PLUGIN IN OUT [--set NAME=VALUE ...] [--preset FILE.fxp]\n"
    "                          [--save-preset FILE.fxp] [--block N] [--levels FILE.csv]\n"
    "                          [--keep-latency]";

} // namespace

int runProcess(int argc, char** argv)
{
    CCommandLine args({"set", "preset", "save-preset", "block", "levels"}, {"keep-latency"});
    std::string error;
    if (!args.parse(argc, argv, 0, error))
        return reportFailure(error + "\n" + kUsage, 2);
    if (args.positional().size() != 3)
        return reportFailure(std::string("process needs PLUGIN IN OUT\n") + kUsage, 2);
    int block = 0;
    if (!args.intValue("block", kDefaultBlock, 1, kMaxBlock, block, error))
        return reportFailure(error, 2);
    const std::string& pluginPath = args.positional()[0];
    const std::string& inPath = args.positional()[1];
    const std::string& outPath = args.positional()[2];
    const bool compensate = !args.has("keep-latency");

    // Everything the user handed us is checked before the plug-in is loaded.
    CAudioReader reader;
    if (!reader.open(inPath, error))
        return reportFailure(error);
    FxpProgram preset;
    const bool havePreset = args.has("preset");
    if (havePreset && !readFxpFile(args.value("preset"), preset, error))
        return reportFailure(error);

    std::unique_ptr<CPluginInstance> plugin = loadPlugin(pluginPath, error);
    if (!plugin)
        return reportFailure(error);
    plugin->setSampleRate(float(reader.sampleRate()));
    plugin->setBlockSize(block);
    if (havePreset && !applyPreset(*plugin, preset, error))
        return reportFailure(args.value("preset") + ": " + error);
    for (const std::string& setting : args.values("set")) {
        ParameterAssignment applied;
        if (!applyParameterSetting(*plugin, setting, applied, error))
            return reportFailure(error);
        std::printf("set %s = %s\n", applied.name.c_str(), applied.display.c_str());
    }
    FxpProgram saved;
    if (args.has("save-preset") && !capturePreset(*plugin, saved, error))
        return reportFailure(error);
    if (plugin->failed())
        return reportFailure(plugin->failure());

    CAudioWriter writer;
    if (!writer.open(outPath, reader.info(), error))
        return reportFailure(error);

    CLoudnessMeter inLoudness(reader.channels(), reader.sampleRate());
    CLoudnessMeter outLoudness(reader.channels(), reader.sampleRate());
    CLevelLog levels(block, reader.sampleRate());
    CProgressBar progress(reader.frames(), "processing");

    const size_t frames = size_t(block);
    std::vector<float> inL(frames), inR(frames), outL(frames), outR(frames);
    const float* in[2] = {inL.data(), inR.data()};
    float* out[2] = {outL.data(), outR.data()};

    plugin->resume();
    long long inputFrames = 0;   // frames read from IN
    long long written = 0;       // frames written to OUT
    long long produced = 0;      // frames the plug-in has output
    bool atEnd = false;
    int reported = -1;           // latency reported after the first block
    int skip = 0;                // plug-in output frames still to drop (latency compensation)
    bool latencyChanged = false;
    while (!atEnd || written < inputFrames) {
        int n = 0;
        if (!atEnd) {
            n = reader.read(inL.data(), inR.data(), block);
            if (n < block)
                atEnd = true;
            inLoudness.add(inL.data(), inR.data(), n);
            levels.addInput(inputFrames, inL.data(), inR.data(), n);
            inputFrames += n;
        }
        // Past the end the plug-in gets silence, so that its delayed output can come out.
        for (int i = n; i < block; ++i)
            inL[size_t(i)] = inR[size_t(i)] = 0.0f;
        plugin->process(in, out, block);
        if (plugin->failed())
            return reportFailure(plugin->failure());
        // Plug-ins report their latency in the record, some only once they process.
        const int latency = plugin->latency();
        if (reported < 0) {
            reported = latency >= 0 && latency <= 10 * reader.sampleRate() ? latency : 0;
            skip = compensate ? reported : 0;
        } else if (latency != reported && !latencyChanged) {
            latencyChanged = true;
            std::fprintf(stderr, "quar2-host: warning: the plug-in changed its latency from %d "
                                 "to %d frames while processing; compensating %d\n",
                         reported, latency, compensate ? reported : 0);
        }
        int first = std::min(skip, block);
        skip -= first;
        const int count = int(std::min<long long>(block - first, inputFrames - written));
        if (!atEnd && count < block - first) {
            // Cannot happen: while reading, the output never runs ahead of the input.
            return reportFailure("internal error: output ahead of input");
        }
        if (count > 0) {
            if (!writer.write(outL.data() + first, outR.data() + first, count))
                return reportFailure(outPath + ": write failed");
            outLoudness.add(outL.data() + first, outR.data() + first, count);
            // Output frame k lines up with input frame k once compensated; without it, with
            // input frame k - latency.
            const long long alignedAt = written - (compensate ? 0 : reported);
            levels.addOutput(alignedAt, outL.data() + first, outR.data() + first, count);
            written += count;
        }
        produced += block;
        progress.update(written);
        if (atEnd && produced > inputFrames + reported + block + 10LL * reader.sampleRate())
            return reportFailure("internal error: the output does not line up with the input");
    }
    plugin->suspend();
    progress.finish();
    if (plugin->failed())
        return reportFailure(plugin->failure());

    if (!writer.commit(error))
        return reportFailure(error);
    if (args.has("levels") && !levels.write(args.value("levels"), written, error))
        return reportFailure(error);
    if (args.has("save-preset") && !writeFxpFile(args.value("save-preset"), saved, error))
        return reportFailure(error);

    std::printf("latency: %d frames (%s)\n", reported,
                compensate ? "compensated" : "kept in the output");
    std::printf("input:  integrated %s, loudness range %.1f LU\n",
                CLoudnessMeter::formatLufs(inLoudness.integrated()).c_str(), inLoudness.range());
    std::printf("output: integrated %s, loudness range %.1f LU\n",
                CLoudnessMeter::formatLufs(outLoudness.integrated()).c_str(), outLoudness.range());
    return 0;
}
