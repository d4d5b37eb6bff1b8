// quar2-host process PLUGIN IN OUT: levels one audio file through a plug-in, the way a host
// would run it: open, sample rate, block size, state, resume, blocks with the transport
// playing, suspend. Every output is checked before the plug-in runs and put in place only when
// everything succeeded; output that is not a number is refused, clipping is reported.
//
// With --loudness the levelled audio is kept in an unlinked temporary file (not in memory, so
// hour-long files cost disk, not RAM), measured, and written in a second pass with one static
// gain; the plug-in runs once. With --out-dir many files are levelled, -j at a time, each with
// its own plug-in instance (its own Wine bridge for a .dll).

#include "host/cli/AudioFile.h"
#include "host/cli/Commands.h"
#include "host/cli/FxpPreset.h"
#include "host/cli/LevelLog.h"
#include "host/cli/Loudness.h"
#include "host/cli/LoudnessTarget.h"
#include "host/cli/ParameterSetter.h"
#include "host/cli/PresetTransfer.h"
#include "host/cli/ProgressBar.h"
#include "host/cli/Report.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <map>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// What the written file will hold: integer formats clip at full scale.
void clampInto(const float* in, float* out, int frames)
{
    for (int i = 0; i < frames; ++i)
        out[i] = std::clamp(in[i], -1.0f, 1.0f);
}

bool readAll(int fd, void* data, size_t size)
{
    char* p = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t n = read(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= size_t(n);
    }
    return true;
}

std::string baseName(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// What every file of a run shares.
struct RunContext
{
    explicit RunContext(const ProcessOptions& o) : options(o) {}
    const ProcessOptions& options;
    LoudnessTarget target;
    bool batch = false;
    FILE* report = nullptr;       // the immediate report ("set ..."); null in a batch
    bool verbose = false;         // -v
    bool fullFigures = false;     // the input's peaks too (for the table and the report)
    bool showProgress = false;    // a progress bar for the one file
    bool wantSettings = false;    // the first file records the parameters used for the report
    std::mutex lock;              // guards the members below
    bool haveSettings = false;
    RunReport run;
    std::atomic<long long> framesDone{0};
};

// One file to level, with its outputs examined.
struct FileJob
{
    std::string input;
    std::string output;
    OutputTarget audio, levels, preset;
    bool wantLevels = false, wantPreset = false;
    std::string failure;          // found while planning: the file is not levelled
};

// Outputs written and waiting to be put in place.
struct PendingOutputs
{
    CAudioWriter writer;
    std::unique_ptr<CPendingFile> levels, preset;
};

int fail(FileReport& report, const std::string& message, int status = kExitFailure)
{
    report.status = status;
    report.error = message;
    return status;
}

// The parameter's display as a number; false when it is not one.
bool displayNumber(CPluginInstance& plugin, const std::string& name, double& value)
{
    const int count = plugin.info().numParams;
    for (int i = 0; i < count; ++i)
        if (plugin.parameterName(i) == name) {
            const std::string text = plugin.parameterDisplay(i);
            char* end = nullptr;
            value = std::strtod(text.c_str(), &end);
            return end != text.c_str() && std::isfinite(value);
        }
    return false;
}

// Levels `job` through a new instance of the plug-in. On success the outputs are written but
// not yet in place (the caller commits `pending`); `report` holds the measurements.
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
    if (!reader.open(job.input, error))
        return fail(report, error);
    SF_INFO format{};
    if (!chooseOutputFormat(job.output, reader.info(), format, error))
        return fail(report, error);
    FxpProgram preset;
    const bool havePreset = !o.preset.empty();
    if (havePreset && !readFxpFile(o.preset, preset, error))
        return fail(report, error);

    FILE* say = run.report;
    // Every output's temporary file exists before the plug-in runs: a folder we cannot write
    // in shows up now, not after the audio was already replaced.
    if (!pending.writer.open(job.audio, format, reader.tags(), error))
        return fail(report, error);
    if (job.wantLevels &&
        !(pending.levels = std::make_unique<CPendingFile>(job.levels))->ok())
        return fail(report, pending.levels->error());
    if (job.wantPreset &&
        !(pending.preset = std::make_unique<CPendingFile>(job.preset))->ok())
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
    if (!plugin)
        return fail(report, error);
    plugin->setSampleRate(float(reader.sampleRate()));
    plugin->setBlockSize(block);
    if (havePreset && !applyPreset(*plugin, preset, error))
        return fail(report, o.preset + ": " + error);
    for (const std::string& setting : o.settings) {
        ParameterAssignment applied;
        if (!applyParameterSetting(*plugin, setting, applied, error))
            return fail(report, error);
        if (say != nullptr)
            std::fprintf(say, "set %s = %s%s\n", applied.name.c_str(), applied.display.c_str(),
                         applied.note.empty() ? "" : (" (" + applied.note + ")").c_str());
    }
    FxpProgram saved;
    if (job.wantPreset && !capturePreset(*plugin, saved, error))
        return fail(report, error);
    if (plugin->failed())
        return fail(report, plugin->failure());
    if (run.wantSettings) {
        std::lock_guard<std::mutex> hold(run.lock);
        if (!run.haveSettings) {
            run.haveSettings = true;
            const PluginInfo info = plugin->info();
            run.run.pluginName = info.effectName;
            run.run.pluginVendor = info.vendor;
            run.run.pluginVersion = info.version;
            for (int i = 0; i < info.numParams; ++i) {
                const std::string label = plugin->parameterLabel(i);
                run.run.parameters.emplace_back(plugin->parameterName(i),
                                                plugin->parameterDisplay(i) +
                                                    (label.empty() ? "" : " " + label));
            }
        }
    }
    double pullUp = 0, outputDb = 0;
    const bool haveLimit = displayNumber(*plugin, "Pull Up [dB]", pullUp);
    if (haveLimit && !displayNumber(*plugin, "Output [dB]", outputDb))
        outputDb = 0;

    const int channels = reader.channels();
    const int rate = reader.sampleRate();
    const bool clips = clipsAtFullScale(format.format);
    CLoudnessMeter inLoudness(channels, rate, true, run.fullFigures);
    // The output is measured as written (clipped in integer formats); its peaks as produced.
    CLoudnessMeter outLoudness(channels, rate, true, !clips);
    std::unique_ptr<CLoudnessMeter> outPeaks =
        clips ? std::make_unique<CLoudnessMeter>(channels, rate, false, true) : nullptr;
    // The levelled audio before the static gain, and where it waits for the second pass.
    std::unique_ptr<CLoudnessMeter> levelled =
        twoPass ? std::make_unique<CLoudnessMeter>(channels, rate, true, true) : nullptr;
    int keptFd = -1;
    struct Closer
    {
        int& fd;
        ~Closer()
        {
            if (fd >= 0)
                close(fd);
        }
    } closer{keptFd};
    if (twoPass && (keptFd = anonymousTemporaryFile()) < 0)
        return fail(report, job.input + ": cannot keep the levelled audio in a temporary file in " +
                                temporaryFolder() + ": " + std::strerror(errno));
    CLevelLog levels(block, rate);
    CProgressBar progress(run.showProgress ? reader.frames() : 0, "processing", run.showProgress);

    const size_t frames = size_t(block);
    std::vector<float> inL(frames), inR(frames), outL(frames), outR(frames);
    std::vector<float> clampedL(frames), clampedR(frames), kept(frames * 2);
    const float* in[2] = {inL.data(), inR.data()};
    float* out[2] = {outL.data(), outR.data()};

    long long inputFrames = 0;   // frames read from IN
    long long written = 0;       // frames taken from the plug-in's output
    long long emitted = 0;       // frames written to OUT
    long long produced = 0;      // frames the plug-in has output
    int reported = -1;           // latency reported after the first block
    long long clipped = 0;       // samples above full scale
    float peak = 0;

    // Writes frames to OUT and measures them as written.
    auto emit = [&](const float* l, const float* r, int count) {
        for (int i = 0; i < count; ++i)
            for (int c = 0; c < channels; ++c) {
                const float a = std::fabs(c == 0 ? l[i] : r[i]);
                peak = std::max(peak, a);
                clipped += a > 1.0f ? 1 : 0;
            }
        if (!pending.writer.write(l, r, count))
            return false;
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
        levels.addOutput(emitted - (compensate ? 0 : reported), l, r, count);
        emitted += count;
        return true;
    };

    plugin->resume();
    bool atEnd = false;
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
            return fail(report, plugin->failure());
        // Plug-ins report their latency in the record, some only once they process.
        const int latency = plugin->latency();
        if (reported < 0) {
            reported = latency >= 0 && latency <= 10 * rate ? latency : 0;
            skip = compensate ? reported : 0;
        } else if (latency != reported && !latencyChanged) {
            latencyChanged = true;
            std::fprintf(stderr, "quar2-host: warning: %s%sthe plug-in changed its latency from %d "
                                 "to %d frames while processing; compensating %d\n",
                         run.batch ? job.input.c_str() : "", run.batch ? ": " : "", reported,
                         latency, compensate ? reported : 0);
        }
        int first = std::min(skip, block);
        skip -= first;
        const int count = int(std::min<long long>(block - first, inputFrames - written));
        if (!atEnd && count < block - first) {
            // Cannot happen: while reading, the output never runs ahead of the input.
            return fail(report, "internal error: output ahead of input");
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
                                      double(written + i) / rate);
                        return fail(report,
                                    o.plugin + ": the plug-in's output is " +
                                        (std::isnan(v) ? "not a number (NaN)" : "infinite") +
                                        " from frame " + at + " on; nothing was written",
                                    kExitRefused);
                    }
                }
            if (twoPass) {
                levelled->add(l, r, count);
                for (int i = 0; i < count; ++i)
                    for (int c = 0; c < channels; ++c)
                        kept[size_t(i * channels + c)] = c == 0 ? l[i] : r[i];
                if (!writeAll(keptFd, kept.data(), size_t(count * channels) * sizeof(float)))
                    return fail(report, job.input + ": cannot keep the levelled audio in a "
                                                    "temporary file in " +
                                            temporaryFolder() + ": " + std::strerror(errno));
            } else if (!emit(l, r, count)) {
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
    if (plugin->failed())
        return fail(report, plugin->failure());

    if (twoPass) {
        // The second pass: the kept audio with one static gain, no plug-in.
        report.staticGain =
            computeStaticGain(run.target, levelled->integrated(), levelled->truePeak());
        report.targetApplied = true;
        const float gain = float(std::pow(10.0, report.staticGain.gainDb / 20.0));
        if (lseek(keptFd, 0, SEEK_SET) != 0)
            return fail(report, job.input + ": cannot read the levelled audio back: " +
                                    std::strerror(errno));
        for (long long done = 0; done < written;) {
            const int count = int(std::min<long long>(block, written - done));
            if (!readAll(keptFd, kept.data(), size_t(count * channels) * sizeof(float)))
                return fail(report, job.input + ": cannot read the levelled audio back: " +
                                        std::strerror(errno));
            for (int i = 0; i < count; ++i) {
                outL[size_t(i)] = kept[size_t(i * channels)] * gain;
                outR[size_t(i)] = kept[size_t(i * channels + channels - 1)] * gain;
            }
            if (!emit(outL.data(), outR.data(), count))
                return fail(report, job.output + ": write failed");
            done += count;
        }
    }
    if (!pending.writer.finish(error))
        return fail(report, error);

    const CLoudnessMeter& outPeakMeter = clips ? *outPeaks : outLoudness;
    const double truePeak = outPeakMeter.truePeak();
    if (clipped > 0) {
        const std::string what =
            (job.output == "-" ? std::string("standard output") : job.output) + ": " +
            std::to_string(clipped) + " samples above full scale" +
            (clips ? " clipped" : "") + " (peak " + CLoudnessMeter::formatDb(peak) +
            " dBFS, true peak " + CLoudnessMeter::formatDb(truePeak) + " dBTP)";
        if (o.clip == "error")
            return fail(report, what + "; nothing was written (--clip error)", kExitRefused);
        std::fprintf(stderr, "quar2-host: warning: %s\n", what.c_str());
    }
    if (report.targetApplied && report.staticGain.limitedByPeak)
        std::fprintf(stderr, "quar2-host: warning: %s: %s\n",
                     job.output == "-" ? "standard output" : job.output.c_str(),
                     describeStaticGain(report.staticGain, run.target).c_str());
    if (pending.levels) {
        const std::string csv = levels.csv(emitted);
        if (!writeAll(pending.levels->fd(), csv.data(), csv.size()))
            return fail(report, o.levels + ": write failed: " + std::strerror(errno));
    }
    if (pending.preset) {
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

// The report file, examined with the other outputs and written last.
struct ReportOutput
{
    bool wanted = false;
    OutputTarget target;
    std::unique_ptr<CPendingFile> file;
};

bool writeReport(RunContext& run, ReportOutput& out, std::string& error)
{
    if (!out.wanted)
        return true;
    const std::string text = reportJson(run.run);
    if (!writeAll(out.file->fd(), text.data(), text.size())) {
        error = run.options.report + ": write failed: " + std::strerror(errno);
        return false;
    }
    return true;
}

void fillRunReport(RunContext& run, const ProcessOptions& o)
{
    run.run.command = "process";
    run.run.pluginPath = o.plugin;
    run.run.preset = o.preset;
    run.run.settings = o.settings;
    run.run.block = o.block;
    run.run.keepLatency = o.keepLatency;
    run.run.target = run.target;
    run.wantSettings = !o.report.empty();
}

int runSingle(RunContext& run, const Verbosity& verbosity)
{
    const ProcessOptions& o = run.options;
    std::string error;
    FileJob job;
    job.input = o.input;
    job.output = o.output;
    job.wantLevels = !o.levels.empty();
    job.wantPreset = !o.savePreset.empty();
    ReportOutput reportOut;
    reportOut.wanted = !o.report.empty();
    // Everything the user handed us is checked before the plug-in is loaded.
    if (!examineOutput(o.output, o.noClobber, job.audio, error) ||
        (job.wantLevels && !examineOutput(o.levels, o.noClobber, job.levels, error)) ||
        (job.wantPreset && !examineOutput(o.savePreset, o.noClobber, job.preset, error)) ||
        (reportOut.wanted && !examineOutput(o.report, o.noClobber, reportOut.target, error)))
        return reportFailure(error);
    std::vector<InputPath> inputs = {{"the input", o.input}, {"the plug-in", o.plugin}};
    std::vector<const OutputTarget*> targets = {&job.audio};
    if (job.wantLevels)
        targets.push_back(&job.levels);
    if (reportOut.wanted)
        targets.push_back(&reportOut.target);
    // Saving the preset over the one loaded is fine: it was read before.
    if (job.wantPreset && !checkDistinctFiles(inputs, {&job.preset}, error))
        return reportFailure(error);
    if (!o.preset.empty())
        inputs.push_back({"the preset", o.preset});
    if (!checkDistinctFiles(inputs, targets, error))
        return reportFailure(error);
    if (job.wantPreset)
        targets.push_back(&job.preset);
    if (!checkDistinctFiles({}, targets, error))
        return reportFailure(error);

    // The report goes to standard error when the audio goes to standard output.
    FILE* report = verbosity.level == 0 ? nullptr : o.output == "-" ? stderr : stdout;
    auto say = [&](const char* fmt, auto... args) {
        if (report != nullptr)
            std::fprintf(report, fmt, args...);
    };
    run.report = report;
    if (reportOut.wanted &&
        !(reportOut.file = std::make_unique<CPendingFile>(reportOut.target))->ok())
        return reportFailure(reportOut.file->error());
    if (!isWindowsPlugin(o.plugin))
        watchPluginFailures(o.plugin);

    PendingOutputs pending;
    FileReport file;
    run.verbose = verbosity.level >= 2;
    run.showProgress = verbosity.level > 0;
    const int status = levelFile(run, job, pending, file);
    if (status != 0)
        return reportFailure(file.error, status);
    run.run.files.push_back(file);
    if (!writeReport(run, reportOut, error))
        return reportFailure(error);
    if (!commitAll({pending.writer.pending(), pending.levels.get(), pending.preset.get(),
                    reportOut.file.get()},
                   error))
        return reportFailure(error);

    say("latency: %d frames (%s)\n", file.latency,
        o.keepLatency ? "kept in the output" : "compensated");
    const bool table = run.target.active || reportOut.wanted || verbosity.level >= 2;
    if (table) {
        say("%s", reportTable(file, run.target).c_str());
        return 0;
    }
    say("input:  integrated %s, loudness range %.1f LU\n",
        CLoudnessMeter::formatLufs(file.in.integrated).c_str(), file.in.range);
    say("output: integrated %s, loudness range %.1f LU\n",
        CLoudnessMeter::formatLufs(file.out.integrated).c_str(), file.out.range);
    say("peaks:  output peak %s dBFS, true peak %s dBTP\n",
        CLoudnessMeter::formatDb(file.out.samplePeak).c_str(),
        CLoudnessMeter::formatDb(file.out.truePeak).c_str());
    return 0;
}

// The files a batch levels: each FILE, and the audio files (by extension) in each folder, in
// name order. A missing path becomes a failing job.
std::vector<std::string> expandInputs(const std::vector<std::string>& given)
{
    std::vector<std::string> inputs;
    for (const std::string& path : given) {
        struct stat st{};
        if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            inputs.push_back(path);
            continue;
        }
        std::vector<std::string> names;
        if (DIR* d = opendir(path.c_str())) {
            while (dirent* e = readdir(d)) {
                const std::string name = e->d_name;
                struct stat entry{};
                const std::string full = path + (path.back() == '/' ? "" : "/") + name;
                if (name[0] != '.' && hasAudioExtension(name) && stat(full.c_str(), &entry) == 0 &&
                    S_ISREG(entry.st_mode))
                    names.push_back(full);
            }
            closedir(d);
        }
        std::sort(names.begin(), names.end());
        inputs.insert(inputs.end(), names.begin(), names.end());
    }
    return inputs;
}

// "-16.0 LUFS, range 4.1 LU, true peak -1.3 dBTP, static gain +9.3 dB": one file's result.
std::string resultLine(const FileReport& f)
{
    auto lufs = [](double v) {
        char number[32];
        std::snprintf(number, sizeof number, std::isfinite(v) ? "%.1f" : "-inf", v);
        return std::string(number);
    };
    char text[256];
    std::snprintf(text, sizeof text, "%s -> %s LUFS, range %.1f -> %.1f LU, true peak %s dBTP",
                  lufs(f.in.integrated).c_str(), lufs(f.out.integrated).c_str(), f.in.range,
                  f.out.range, CLoudnessMeter::formatDb(f.out.truePeak).c_str());
    std::string line = text;
    if (f.targetApplied) {
        std::snprintf(text, sizeof text, ", static gain %+.1f dB", f.staticGain.gainDb);
        line += text;
        if (f.staticGain.limitedByPeak) {
            std::snprintf(text, sizeof text, " (target missed by %.1f LU)", f.staticGain.missLu);
            line += text;
        }
    }
    return line;
}

int runBatch(RunContext& run, const Verbosity& verbosity)
{
    const ProcessOptions& o = run.options;
    std::string error;
    if (!o.levels.empty() || !o.savePreset.empty())
        return reportFailure("--levels and --save-preset take one file; not with --out-dir",
                             kExitUsage);
    if (std::find(o.files.begin(), o.files.end(), "-") != o.files.end())
        return reportFailure("standard input (-) cannot be levelled with --out-dir", kExitUsage);
    struct stat st{};
    if (stat(o.outDir.c_str(), &st) != 0) {
        if (errno != ENOENT || mkdir(o.outDir.c_str(), 0777) != 0)
            return reportFailure(o.outDir + ": cannot make the folder: " + std::strerror(errno));
    } else if (!S_ISDIR(st.st_mode)) {
        return reportFailure(o.outDir + ": not a folder (--out-dir)");
    }
    const std::vector<std::string> inputs = expandInputs(o.files);
    if (inputs.empty())
        return reportFailure("no audio files to level (folders are searched for files with an "
                             "audio extension)");

    ReportOutput reportOut;
    reportOut.wanted = !o.report.empty();
    std::vector<InputPath> fixedInputs = {{"the plug-in", o.plugin}};
    if (!o.preset.empty())
        fixedInputs.push_back({"the preset", o.preset});
    if (reportOut.wanted) {
        std::vector<InputPath> all = fixedInputs;
        for (const std::string& in : inputs)
            all.push_back({"the input " + in, in});
        if (!examineOutput(o.report, o.noClobber, reportOut.target, error) ||
            !checkDistinctFiles(all, {&reportOut.target}, error))
            return reportFailure(error);
    }

    // Each file's output, examined now; one that cannot be written fails that file only.
    std::vector<FileJob> jobs(inputs.size());
    std::map<std::string, std::string> claimed; // output path -> the input writing it
    long long totalFrames = 0;
    for (size_t i = 0; i < inputs.size(); ++i) {
        FileJob& job = jobs[i];
        job.input = inputs[i];
        job.output = o.outDir + (o.outDir.back() == '/' ? "" : "/") + baseName(inputs[i]);
        std::vector<InputPath> in = fixedInputs;
        in.push_back({"the input", job.input});
        std::vector<const OutputTarget*> outs = {&job.audio};
        if (reportOut.wanted)
            outs.push_back(&reportOut.target);
        if (!examineOutput(job.output, o.noClobber, job.audio, job.failure) ||
            !checkDistinctFiles(in, {&job.audio}, job.failure) ||
            !checkDistinctFiles({}, outs, job.failure))
            continue;
        const std::string key = job.audio.exists ? job.audio.path : job.audio.canonical;
        if (auto [it, fresh] = claimed.emplace(key, job.input); !fresh) {
            job.failure = job.output + ": also the output of " + it->second +
                          " (two inputs with the same name)";
            continue;
        }
        CAudioReader probe;
        struct stat file{};
        if (stat(job.input.c_str(), &file) == 0 && S_ISREG(file.st_mode) &&
            probe.open(job.input, error))
            totalFrames += std::max(0LL, probe.frames());
    }
    if (reportOut.wanted &&
        !(reportOut.file = std::make_unique<CPendingFile>(reportOut.target))->ok())
        return reportFailure(reportOut.file->error());
    if (!isWindowsPlugin(o.plugin))
        watchPluginFailures(o.plugin);

    const int workers = std::max(1, std::min<int>(o.jobs, int(jobs.size())));
    const bool speak = verbosity.level > 0;
    if (speak)
        std::printf("levelling %zu file%s into %s, %d at a time\n", jobs.size(),
                    jobs.size() == 1 ? "" : "s", o.outDir.c_str(), workers);
    std::fflush(stdout);

    std::vector<FileReport> reports(jobs.size());
    std::vector<int> statuses(jobs.size(), 0);
    std::atomic<size_t> next{0};
    std::mutex doneLock;
    std::condition_variable doneSignal;
    std::vector<size_t> finished; // indices finished and not yet printed
    auto work = [&]() {
        for (size_t i; (i = next++) < jobs.size();) {
            FileReport& report = reports[i];
            int status = 0;
            if (!jobs[i].failure.empty()) {
                report.input = jobs[i].input;
                report.output = jobs[i].output;
                status = fail(report, jobs[i].failure);
            } else {
                PendingOutputs pending;
                status = levelFile(run, jobs[i], pending, report);
                std::string why;
                if (status == 0 && !pending.writer.pending()->commit(why))
                    status = fail(report, why);
            }
            std::lock_guard<std::mutex> hold(doneLock);
            statuses[i] = status;
            finished.push_back(i);
            doneSignal.notify_one();
        }
    };
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    for (int t = 0; t < workers; ++t)
        threads.emplace_back(work);

    CProgressBar progress(totalFrames, "levelling", speak);
    size_t printed = 0;
    const int width = int(std::to_string(jobs.size()).size());
    while (printed < jobs.size()) {
        std::vector<size_t> ready;
        {
            std::unique_lock<std::mutex> hold(doneLock);
            doneSignal.wait_for(hold, std::chrono::milliseconds(100),
                                [&] { return !finished.empty(); });
            ready.swap(finished);
        }
        if (!ready.empty())
            progress.clear();
        for (size_t i : ready) {
            ++printed;
            const FileReport& f = reports[i];
            if (statuses[i] != 0) {
                std::fflush(stdout);
                // Most reasons name the file already.
                const bool named = f.error.rfind(f.input + ": ", 0) == 0;
                std::fprintf(stderr, "quar2-host: [%*zu/%zu] %s failed: %s\n", width, printed,
                             jobs.size(), f.input.c_str(),
                             named ? f.error.c_str() + f.input.size() + 2 : f.error.c_str());
            } else if (speak) {
                std::printf("[%*zu/%zu] %s: %s\n", width, printed, jobs.size(), f.input.c_str(),
                            resultLine(f).c_str());
                std::fflush(stdout);
            }
        }
        progress.update(run.framesDone.load());
    }
    for (std::thread& t : threads)
        t.join();
    progress.finish();

    int status = 0;
    std::string failedNames;
    size_t failures = 0;
    for (size_t i = 0; i < jobs.size(); ++i)
        if (statuses[i] != 0) {
            status = status == 0 ? statuses[i] : status;
            ++failures;
            failedNames += (failedNames.empty() ? "" : ", ") + jobs[i].input;
        }
    run.run.files = reports;
    if (reportOut.wanted &&
        (!writeReport(run, reportOut, error) || !reportOut.file->commit(error)))
        return reportFailure(error);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (speak)
        std::printf("levelled %zu of %zu files in %.1f s%s%s\n", jobs.size() - failures,
                    jobs.size(), seconds, failures == 0 ? "" : "; failed: ",
                    failedNames.c_str());
    return status;
}

} // namespace

int runProcess(const ProcessOptions& options, const Verbosity& verbosity)
{
    ProcessOptions o = options;
    RunContext run(o);
    std::string error;
    if (!parseLoudnessTarget(o.loudness, o.truePeak, run.target, error))
        return reportFailure(error, kExitUsage);
    if (o.jobs <= 0)
        o.jobs = int(std::max(1u, std::thread::hardware_concurrency()));
    fillRunReport(run, o);
    run.fullFigures = run.target.active || !o.report.empty() || verbosity.level >= 2;
    if (!o.outDir.empty()) {
        run.batch = true;
        return runBatch(run, verbosity);
    }
    if (o.files.size() != 2)
        return reportFailure("process needs IN and OUT (or --out-dir DIR and the files to level); "
                             "see quar2-host process --help",
                             kExitUsage);
    o.input = o.files[0];
    o.output = o.files[1];
    return runSingle(run, verbosity);
}
