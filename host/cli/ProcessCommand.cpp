// quar2-host process PLUGIN IN OUT: levels one audio file through a plug-in. Every output is
// checked before the plug-in runs and put in place only when everything succeeded. With
// --out-dir, many files (see ProcessBatch.cpp).

#include "host/cli/AudioFile.h"
#include "host/cli/Commands.h"
#include "host/cli/LevelFile.h"
#include "host/cli/Loudness.h"
#include "host/lib/PluginInstance.h"
#include "host/cli/LoudnessTarget.h"

#include <algorithm>
#include <cstdio>
#include <thread>
#include <vector>

namespace
{

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
    if (job.wantLevels) targets.push_back(&job.levels);
    if (reportOut.wanted) targets.push_back(&reportOut.target);
    // Saving the preset over the one loaded is fine: it was read before.
    if (job.wantPreset && !checkDistinctFiles(inputs, {&job.preset}, error))
        return reportFailure(error);
    if (!o.preset.empty()) inputs.push_back({"the preset", o.preset});
    if (!checkDistinctFiles(inputs, targets, error)) return reportFailure(error);
    if (job.wantPreset) targets.push_back(&job.preset);
    if (!checkDistinctFiles({}, targets, error)) return reportFailure(error);

    // The report goes to standard error when the audio goes to standard output.
    FILE* report = verbosity.level == 0 ? nullptr : o.output == "-" ? stderr : stdout;
    auto say = [&](const char* fmt, auto... args)
    {
        if (report != nullptr) std::fprintf(report, fmt, args...);
    };
    run.report = report;
    if (reportOut.wanted &&
        !(reportOut.file = std::make_unique<CPendingFile>(reportOut.target))->ok())
        return reportFailure(reportOut.file->error());
    if (!isWindowsPlugin(o.plugin)) watchPluginFailures(o.plugin);

    PendingOutputs pending;
    FileReport file;
    run.verbose = verbosity.level >= 2;
    run.showProgress = verbosity.level > 0;
    const int status = levelFile(run, job, pending, file);
    if (status != 0) return reportFailure(file.error, status);
    run.run.files.push_back(file);
    if (!writeReport(run, reportOut, error)) return reportFailure(error);
    if (!commitAll({pending.writer.pending(), pending.levels.get(), pending.preset.get(),
                    reportOut.file.get()},
                   error))
        return reportFailure(error);

    say("latency: %d frames (%s)\n", file.latency,
        o.keepLatency ? "kept in the output" : "compensated");
    const bool table = run.target.active || reportOut.wanted || verbosity.level >= 2;
    if (table)
    {
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

} // namespace

int runProcess(const ProcessOptions& options, const Verbosity& verbosity)
{
    ProcessOptions o = options;
    RunContext run(o);
    std::string error;
    if (!parseLoudnessTarget(o.loudness, o.truePeak, run.target, error))
        return reportFailure(error, kExitUsage);
    if (!o.limiter.empty() && !run.target.active)
        return reportFailure("--limiter needs --loudness", kExitUsage);
    run.target.limiter = o.limiter != "off";
    if (o.jobs <= 0) o.jobs = int(std::max(1u, std::thread::hardware_concurrency()));
    fillRunReport(run, o);
    run.fullFigures = run.target.active || !o.report.empty() || verbosity.level >= 2;
    if (!o.outDir.empty())
    {
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
