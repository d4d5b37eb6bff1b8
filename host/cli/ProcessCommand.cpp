// quar2-host process PLUGIN IN OUT: levels one audio file through a plug-in, the way a host
// would run it: open, sample rate, block size, state, resume, blocks with the transport
// playing, suspend. Every output is checked before the plug-in runs and put in place only when
// everything succeeded; output that is not a number is refused, clipping is reported.

#include "host/cli/AudioFile.h"
#include "host/cli/Commands.h"
#include "host/cli/FxpPreset.h"
#include "host/cli/LevelLog.h"
#include "host/cli/Loudness.h"
#include "host/cli/ParameterSetter.h"
#include "host/cli/PresetTransfer.h"
#include "host/cli/ProgressBar.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// What the written file will hold: integer formats clip at full scale.
void clampInto(const float* in, float* out, int frames)
{
    for (int i = 0; i < frames; ++i)
        out[i] = std::clamp(in[i], -1.0f, 1.0f);
}

// The outputs, examined and checked against the inputs and each other before anything runs.
struct Outputs
{
    OutputTarget audio, levels, preset;
    bool wantLevels = false, wantPreset = false;
};

bool examineOutputs(const ProcessOptions& o, Outputs& out, std::string& error)
{
    out.wantLevels = !o.levels.empty();
    out.wantPreset = !o.savePreset.empty();
    if (!examineOutput(o.output, o.noClobber, out.audio, error) ||
        (out.wantLevels && !examineOutput(o.levels, o.noClobber, out.levels, error)) ||
        (out.wantPreset && !examineOutput(o.savePreset, o.noClobber, out.preset, error)))
        return false;
    std::vector<InputPath> inputs = {{"the input", o.input}, {"the plug-in", o.plugin}};
    std::vector<const OutputTarget*> targets = {&out.audio};
    if (out.wantLevels)
        targets.push_back(&out.levels);
    // Saving the preset over the one loaded is fine: it was read before.
    if (out.wantPreset && !checkDistinctFiles(inputs, {&out.preset}, error))
        return false;
    if (!o.preset.empty())
        inputs.push_back({"the preset", o.preset});
    if (!checkDistinctFiles(inputs, targets, error))
        return false;
    if (out.wantPreset)
        targets.push_back(&out.preset);
    return checkDistinctFiles({}, targets, error);
}

} // namespace

int runProcess(const ProcessOptions& o, const Verbosity& verbosity)
{
    const bool compensate = !o.keepLatency;
    const int block = o.block;
    std::string error;

    // Everything the user handed us is checked before the plug-in is loaded.
    Outputs targets;
    if (!examineOutputs(o, targets, error))
        return reportFailure(error);
    CAudioReader reader;
    if (!reader.open(o.input, error))
        return reportFailure(error);
    SF_INFO format{};
    if (!chooseOutputFormat(o.output, reader.info(), format, error))
        return reportFailure(error);
    FxpProgram preset;
    const bool havePreset = !o.preset.empty();
    if (havePreset && !readFxpFile(o.preset, preset, error))
        return reportFailure(error);

    // The report goes to standard error when the audio goes to standard output.
    FILE* report = verbosity.level == 0 ? nullptr : o.output == "-" ? stderr : stdout;
    auto say = [&](const char* fmt, auto... args) {
        if (report != nullptr)
            std::fprintf(report, fmt, args...);
    };

    // Every output's temporary file exists before the plug-in runs: a folder we cannot write
    // in shows up now, not after the audio was already replaced.
    CAudioWriter writer;
    if (!writer.open(targets.audio, format, reader.tags(), error))
        return reportFailure(error);
    std::unique_ptr<CPendingFile> levelsFile, presetFile;
    if (targets.wantLevels && !(levelsFile = std::make_unique<CPendingFile>(targets.levels))->ok())
        return reportFailure(levelsFile->error());
    if (targets.wantPreset && !(presetFile = std::make_unique<CPendingFile>(targets.preset))->ok())
        return reportFailure(presetFile->error());
    if (verbosity.level >= 2)
        say("writing %s as %s\n", o.output == "-" ? "standard output" : o.output.c_str(),
            describeFormat(format.format).c_str());

    if (!isWindowsPlugin(o.plugin))
        watchPluginFailures(o.plugin);
    std::unique_ptr<CPluginInstance> plugin = loadPlugin(o.plugin, error);
    if (!plugin)
        return reportFailure(error);
    plugin->setSampleRate(float(reader.sampleRate()));
    plugin->setBlockSize(block);
    if (havePreset && !applyPreset(*plugin, preset, error))
        return reportFailure(o.preset + ": " + error);
    for (const std::string& setting : o.settings) {
        ParameterAssignment applied;
        if (!applyParameterSetting(*plugin, setting, applied, error))
            return reportFailure(error);
        say("set %s = %s%s\n", applied.name.c_str(), applied.display.c_str(),
            applied.note.empty() ? "" : (" (" + applied.note + ")").c_str());
    }
    FxpProgram saved;
    if (targets.wantPreset && !capturePreset(*plugin, saved, error))
        return reportFailure(error);
    if (plugin->failed())
        return reportFailure(plugin->failure());

    const int channels = reader.channels();
    const bool clips = clipsAtFullScale(format.format);
    CLoudnessMeter inLoudness(channels, reader.sampleRate());
    // The output is measured as written (clipped in integer formats); its peaks as produced.
    CLoudnessMeter outLoudness(channels, reader.sampleRate(), true, !clips);
    std::unique_ptr<CLoudnessMeter> outPeaks =
        clips ? std::make_unique<CLoudnessMeter>(channels, reader.sampleRate(), false, true)
              : nullptr;
    CLevelLog levels(block, reader.sampleRate());
    CProgressBar progress(reader.frames(), "processing", verbosity.level > 0);

    const size_t frames = size_t(block);
    std::vector<float> inL(frames), inR(frames), outL(frames), outR(frames);
    std::vector<float> clampedL(frames), clampedR(frames);
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
    long long clipped = 0;       // samples above full scale
    float peak = 0;
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
            const float* l = outL.data() + first;
            const float* r = outR.data() + first;
            for (int i = 0; i < count; ++i)
                for (int c = 0; c < channels; ++c) {
                    const float v = c == 0 ? l[i] : r[i];
                    if (!std::isfinite(v)) {
                        char at[64];
                        std::snprintf(at, sizeof at, "%lld (%.3f s)", written + i,
                                      double(written + i) / reader.sampleRate());
                        return reportFailure(o.plugin + ": the plug-in's output is " +
                                                 (std::isnan(v) ? "not a number (NaN)"
                                                                : "infinite") +
                                                 " from frame " + at + " on; nothing was written",
                                             kExitRefused);
                    }
                    const float a = std::fabs(v);
                    peak = std::max(peak, a);
                    clipped += a > 1.0f ? 1 : 0;
                }
            if (!writer.write(l, r, count))
                return reportFailure(o.output + ": write failed");
            if (clips) {
                outPeaks->add(l, r, count);
                clampInto(l, clampedL.data(), count);
                clampInto(r, clampedR.data(), count);
                outLoudness.add(clampedL.data(), clampedR.data(), count);
            } else {
                outLoudness.add(l, r, count);
            }
            // Output frame k lines up with input frame k once compensated; without it, with
            // input frame k - latency.
            const long long alignedAt = written - (compensate ? 0 : reported);
            levels.addOutput(alignedAt, l, r, count);
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
    if (!writer.finish(error))
        return reportFailure(error);

    const double truePeak = (clips ? *outPeaks : outLoudness).truePeak();
    if (clipped > 0) {
        const std::string what =
            (o.output == "-" ? std::string("standard output") : o.output) + ": " +
            std::to_string(clipped) + " samples above full scale" +
            (clips ? " clipped" : "") + " (peak " + CLoudnessMeter::formatDb(peak) +
            " dBFS, true peak " + CLoudnessMeter::formatDb(truePeak) + " dBTP)";
        if (o.clip == "error")
            return reportFailure(what + "; nothing was written (--clip error)", kExitRefused);
        std::fprintf(stderr, "quar2-host: warning: %s\n", what.c_str());
    }
    if (levelsFile) {
        const std::string csv = levels.csv(written);
        if (!writeAll(levelsFile->fd(), csv.data(), csv.size()))
            return reportFailure(o.levels + ": write failed: " + std::strerror(errno));
    }
    if (presetFile) {
        const std::vector<uint8_t> bytes = buildFxp(saved);
        if (!writeAll(presetFile->fd(), bytes.data(), bytes.size()))
            return reportFailure(o.savePreset + ": write failed: " + std::strerror(errno));
    }
    if (!commitAll({writer.pending(), levelsFile.get(), presetFile.get()}, error))
        return reportFailure(error);

    say("latency: %d frames (%s)\n", reported, compensate ? "compensated" : "kept in the output");
    say("input:  integrated %s, loudness range %.1f LU\n",
        CLoudnessMeter::formatLufs(inLoudness.integrated()).c_str(), inLoudness.range());
    say("output: integrated %s, loudness range %.1f LU\n",
        CLoudnessMeter::formatLufs(outLoudness.integrated()).c_str(), outLoudness.range());
    say("peaks:  output peak %s dBFS, true peak %s dBTP\n", CLoudnessMeter::formatDb(peak).c_str(),
        CLoudnessMeter::formatDb(truePeak).c_str());
    return 0;
}
