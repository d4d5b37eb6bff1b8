// One file through a new instance of the plug-in, the way a host would run it: open, sample
// rate, block size, state, resume, blocks with the transport playing, suspend. Output that is
// not a number is refused, clipping is reported.
//
// With a loudness target the levelled audio is kept in an unlinked temporary file (not in
// memory, so hour-long files cost disk, not RAM), measured, and written in a second pass with
// one static gain; the plug-in runs once.

#include "host/cli/LevelFile.h"

#include "host/cli/BackgroundMeter.h"
#include "host/cli/FxpPreset.h"
#include "host/cli/LevelLog.h"
#include "host/cli/Loudness.h"
#include "host/cli/LoudnessPass.h"
#include "host/cli/LoudnessTarget.h"
#include "host/cli/ParameterSetter.h"
#include "host/cli/PeakEnvelope.h"
#include "host/cli/PresetTransfer.h"
#include "host/cli/ProgressBar.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace
{

// What the written file will hold: integer formats clip at full scale.
void clampInto(const float* in, float* out, int frames)
{
    for (int i = 0; i < frames; ++i)
        out[i] = std::clamp(in[i], -1.0f, 1.0f);
}

// The parameter's display as a number; false when it is not one.
bool displayNumber(CPluginInstance& plugin, const std::string& name, double& value)
{
    const int count = plugin.info().numParams;
    for (int i = 0; i < count; ++i)
        if (plugin.parameterName(i) == name)
        {
            const std::string text = plugin.parameterDisplay(i);
            char* end = nullptr;
            value = std::strtod(text.c_str(), &end);
            return end != text.c_str() && std::isfinite(value);
        }
    return false;
}

} // namespace

int fail(FileReport& report, const std::string& message, int status)
{
    report.status = status;
    report.error = message;
    return status;
}

int levelFile(RunContext& run, const FileJob& job, PendingOutputs& pending, FileReport& report)
{
    const ProcessOptions& o = run.options;
    const bool compensate = !o.keepLatency;
    const int block = o.block;
    const bool twoPass = run.target.active;
    std::string error;
    report.input = job.input;
    report.output = job.output;

    CAudioReader reader;
    if (!reader.open(job.input, error)) return fail(report, error);
    SF_INFO format{};
    if (!chooseOutputFormat(job.output, reader.info(), format, error)) return fail(report, error);
    FxpProgram preset;
    const bool havePreset = !o.preset.empty();
    if (havePreset && !readFxpFile(o.preset, preset, error)) return fail(report, error);

    FILE* say = run.report;
    // Every output's temporary file exists before the plug-in runs: a folder we cannot write
    // in shows up now, not after the audio was already replaced.
    if (!pending.writer.open(job.audio, format, reader.tags(), error)) return fail(report, error);
    if (job.wantLevels && !(pending.levels = std::make_unique<CPendingFile>(job.levels))->ok())
        return fail(report, pending.levels->error());
    if (job.wantPreset && !(pending.preset = std::make_unique<CPendingFile>(job.preset))->ok())
        return fail(report, pending.preset->error());
    if (say != nullptr && run.verbose)
        std::fprintf(say, "writing %s as %s\n",
                     job.output == "-" ? "standard output" : job.output.c_str(),
                     describeFormat(format.format).c_str());

    std::unique_ptr<CPluginInstance> plugin;
    {
        // Bridges start one at a time (each forks and execs Wine).
        std::lock_guard<std::mutex> hold(run.lock);
        plugin = loadPlugin(o.plugin, error);
    }
    if (!plugin) return fail(report, error);
    plugin->setSampleRate(float(reader.sampleRate()));
    plugin->setBlockSize(block);
    if (havePreset && !applyPreset(*plugin, preset, error))
        return fail(report, o.preset + ": " + error);
    for (const std::string& setting : o.settings)
    {
        ParameterAssignment applied;
        if (!applyParameterSetting(*plugin, setting, applied, error)) return fail(report, error);
        if (say != nullptr)
            std::fprintf(say, "set %s = %s%s\n", applied.name.c_str(), applied.display.c_str(),
                         applied.note.empty() ? "" : (" (" + applied.note + ")").c_str());
    }
    FxpProgram saved;
    if (job.wantPreset && !capturePreset(*plugin, saved, error)) return fail(report, error);
    if (plugin->failed()) return fail(report, plugin->failure());
    if (run.wantSettings)
    {
        std::lock_guard<std::mutex> hold(run.lock);
        if (!run.haveSettings)
        {
            run.haveSettings = true;
            const PluginInfo info = plugin->info();
            run.run.pluginName = info.effectName;
            run.run.pluginVendor = info.vendor;
            run.run.pluginVersion = info.version;
            for (int i = 0; i < info.numParams; ++i)
            {
                const std::string label = plugin->parameterLabel(i);
                run.run.parameters.emplace_back(plugin->parameterName(i),
                                                plugin->parameterDisplay(i) +
                                                    (label.empty() ? "" : " " + label));
            }
        }
    }
    double pullUp = 0, outputDb = 0;
    const bool haveLimit = displayNumber(*plugin, "Pull Up [dB]", pullUp);
    if (haveLimit && !displayNumber(*plugin, "Output [dB]", outputDb)) outputDb = 0;

    const int channels = reader.channels();
    const int rate = reader.sampleRate();
    const bool clips = clipsAtFullScale(format.format);
    CLoudnessMeter inLoudness(channels, rate, true, run.fullFigures);
    // The output is measured as written (clipped in integer formats); its peaks as produced.
    CLoudnessMeter outLoudness(channels, rate, true, !clips);
    std::unique_ptr<CLoudnessMeter> outPeaks =
        clips ? std::make_unique<CLoudnessMeter>(channels, rate, false, true) : nullptr;
    // The meters work on the second core.
    CBackgroundMeter inMetering(inLoudness), outMetering(outLoudness);
    std::unique_ptr<CBackgroundMeter> peakMetering =
        clips ? std::make_unique<CBackgroundMeter>(*outPeaks) : nullptr;
    // The levelled audio before the static gain waits for the second pass in a temporary
    // file, measured for it (loudness, true-peak envelope).
    std::unique_ptr<CPeakEnvelope> envelope =
        twoPass ? std::make_unique<CPeakEnvelope>(channels, rate) : nullptr;
    int keptFd = -1;
    struct Closer
    {
        int& fd;
        ~Closer()
        {
            if (fd >= 0) close(fd);
        }
    } closer{keptFd};
    if (twoPass && (keptFd = anonymousTemporaryFile()) < 0)
        return fail(report, job.input + ": cannot keep the levelled audio in a temporary file in " +
                                temporaryFolder() + ": " + std::strerror(errno));
    if (twoPass && !envelope->open(error)) return fail(report, job.input + ": " + error);
    CLevelLog levels(block, rate);
    CProgressBar progress(run.showProgress ? reader.frames() : 0, "processing", run.showProgress);

    const size_t frames = size_t(block);
    std::vector<float> inL(frames), inR(frames), outL(frames), outR(frames);
    std::vector<float> clampedL(frames), clampedR(frames), kept(frames * 2);
    const float* in[2] = {inL.data(), inR.data()};
    float* out[2] = {outL.data(), outR.data()};

    long long inputFrames = 0; // frames read from IN
    long long written = 0;     // frames taken from the plug-in's output
    long long emitted = 0;     // frames written to OUT
    long long produced = 0;    // frames the plug-in has output
    int reported = -1;         // latency reported after the first block
    long long clipped = 0;     // samples above full scale
    float peak = 0;

    // Writes frames to OUT and measures them as written.
    auto emit = [&](const float* l, const float* r, int count)
    {
        for (int i = 0; i < count; ++i)
            for (int c = 0; c < channels; ++c)
            {
                const float a = std::fabs(c == 0 ? l[i] : r[i]);
                peak = std::max(peak, a);
                clipped += a > 1.0f ? 1 : 0;
            }
        if (!pending.writer.write(l, r, count)) return false;
        if (clips)
        {
            peakMetering->add(l, r, count);
            clampInto(l, clampedL.data(), count);
            clampInto(r, clampedR.data(), count);
            outMetering.add(clampedL.data(), clampedR.data(), count);
        }
        else
        {
            outMetering.add(l, r, count);
        }
        // Output frame k lines up with input frame k once compensated; without it, with
        // input frame k - latency.
        levels.addOutput(emitted - (compensate ? 0 : reported), l, r, count);
        emitted += count;
        return true;
    };

    plugin->resume();
    bool atEnd = false;
    int skip = 0; // plug-in output frames still to drop (latency compensation)
    bool latencyChanged = false;
    while (!atEnd || written < inputFrames)
    {
        int n = 0;
        if (!atEnd)
        {
            n = reader.read(inL.data(), inR.data(), block);
            if (n < block) atEnd = true;
            inMetering.add(inL.data(), inR.data(), n);
            levels.addInput(inputFrames, inL.data(), inR.data(), n);
            inputFrames += n;
        }
        // Past the end the plug-in gets silence, so that its delayed output can come out.
        for (int i = n; i < block; ++i)
            inL[size_t(i)] = inR[size_t(i)] = 0.0f;
        plugin->process(in, out, block);
        if (plugin->failed()) return fail(report, plugin->failure());
        // Plug-ins report their latency in the record, some only once they process.
        const int latency = plugin->latency();
        if (reported < 0)
        {
            reported = latency >= 0 && latency <= 10 * rate ? latency : 0;
            skip = compensate ? reported : 0;
        }
        else if (latency != reported && !latencyChanged)
        {
            latencyChanged = true;
            std::fprintf(stderr,
                         "quar2-host: warning: %s%sthe plug-in changed its latency from %d "
                         "to %d frames while processing; compensating %d\n",
                         run.batch ? job.input.c_str() : "", run.batch ? ": " : "", reported,
                         latency, compensate ? reported : 0);
        }
        int first = std::min(skip, block);
        skip -= first;
        const int count = int(std::min<long long>(block - first, inputFrames - written));
        if (!atEnd && count < block - first)
        {
            // Cannot happen: while reading, the output never runs ahead of the input.
            return fail(report, "internal error: output ahead of input");
        }
        if (count > 0)
        {
            const float* l = outL.data() + first;
            const float* r = outR.data() + first;
            for (int i = 0; i < count; ++i)
                for (int c = 0; c < channels; ++c)
                {
                    const float v = c == 0 ? l[i] : r[i];
                    if (!std::isfinite(v))
                    {
                        char at[64];
                        std::snprintf(at, sizeof at, "%lld (%.3f s)", written + i,
                                      double(written + i) / rate);
                        return fail(report,
                                    o.plugin + ": the plug-in's output is " +
                                        (std::isnan(v) ? "not a number (NaN)" : "infinite") +
                                        " from frame " + at + " on; nothing was written",
                                    kExitRefused);
                    }
                }
            if (twoPass)
            {
                if (!envelope->add(l, r, count))
                    return fail(report, job.input + ": cannot keep the true-peak envelope: " +
                                            std::strerror(errno));
                for (int i = 0; i < count; ++i)
                    for (int c = 0; c < channels; ++c)
                        kept[size_t(i * channels + c)] = c == 0 ? l[i] : r[i];
                if (!writeAll(keptFd, kept.data(), size_t(count * channels) * sizeof(float)))
                    return fail(report, job.input +
                                            ": cannot keep the levelled audio in a "
                                            "temporary file in " +
                                            temporaryFolder() + ": " + std::strerror(errno));
            }
            else if (!emit(l, r, count))
            {
                return fail(report, job.output + ": write failed");
            }
            written += count;
            run.framesDone += count;
        }
        produced += block;
        progress.update(written);
        if (atEnd && produced > inputFrames + reported + block + 10LL * rate)
            return fail(report, "internal error: the output does not line up with the input");
    }
    plugin->suspend();
    progress.finish();
    if (plugin->failed()) return fail(report, plugin->failure());

    if (twoPass)
    {
        // The second pass: the kept audio with one static gain and the limiter, no plug-in.
        if (!envelope->finish(error)) return fail(report, job.input + ": " + error);
        const KeptAudio kept{keptFd, written, channels, rate};
        if (!writeLoudnessTarget(run.target, kept, *envelope, block, emit, job.input, job.output,
                                 report, error))
            return fail(report, error);
    }
    if (!pending.writer.finish(error)) return fail(report, error);

    inMetering.finish();
    outMetering.finish();
    if (peakMetering) peakMetering->finish();
    const CLoudnessMeter& outPeakMeter = clips ? *outPeaks : outLoudness;
    const double truePeak = outPeakMeter.truePeak();
    if (clipped > 0)
    {
        const std::string what = (job.output == "-" ? std::string("standard output") : job.output) +
                                 ": " + std::to_string(clipped) + " samples above full scale" +
                                 (clips ? " clipped" : "") + " (peak " +
                                 CLoudnessMeter::formatDb(peak) + " dBFS, true peak " +
                                 CLoudnessMeter::formatDb(truePeak) + " dBTP)";
        if (o.clip == "error")
            return fail(report, what + "; nothing was written (--clip error)", kExitRefused);
        std::fprintf(stderr, "quar2-host: warning: %s\n", what.c_str());
    }
    if (report.targetApplied && report.staticGain.limitedByPeak)
        std::fprintf(stderr, "quar2-host: warning: %s: %s\n",
                     job.output == "-" ? "standard output" : job.output.c_str(),
                     describeStaticGain(report.staticGain, run.target).c_str());
    if (pending.levels)
    {
        const std::string csv = levels.csv(emitted);
        if (!writeAll(pending.levels->fd(), csv.data(), csv.size()))
            return fail(report, o.levels + ": write failed: " + std::strerror(errno));
    }
    if (pending.preset)
    {
        const std::vector<uint8_t> bytes = buildFxp(saved);
        if (!writeAll(pending.preset->fd(), bytes.data(), bytes.size()))
            return fail(report, o.savePreset + ": write failed: " + std::strerror(errno));
    }

    report.sampleRate = rate;
    report.channels = channels;
    report.seconds = double(inputFrames) / rate;
    report.in = StreamFigures::measure(inLoudness, inLoudness);
    report.out = StreamFigures::measure(outLoudness, outPeakMeter);
    report.haveOutput = true;
    report.latency = reported;
    report.clipped = clipped;
    // The plug-in's own gain: the logged output includes the static gain.
    std::vector<double> gains = levels.gainsDb(emitted);
    for (double& g : gains)
        g -= report.staticGain.gainDb;
    report.pluginGain = GainSummary::fromWindows(gains, haveLimit, pullUp + outputDb);
    return 0;
}

bool writeReport(RunContext& run, ReportOutput& out, std::string& error)
{
    if (!out.wanted) return true;
    const std::string text = reportJson(run.run);
    if (!writeAll(out.file->fd(), text.data(), text.size()))
    {
        error = run.options.report + ": write failed: " + std::strerror(errno);
        return false;
    }
    return true;
}
