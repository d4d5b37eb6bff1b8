// quar2-host process PLUGIN --out-dir DIR FILE|FOLDER...: many files levelled with the same
// settings, -j at a time, each with its own plug-in instance (its own Wine bridge for a .dll),
// one line per file as it finishes, a summary, and a failing file that stops only itself.

#include "host/cli/AudioFile.h"
#include "host/cli/Commands.h"
#include "host/cli/LevelFile.h"
#include "host/cli/Loudness.h"
#include "host/lib/PluginInstance.h"
#include "host/cli/ProgressBar.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace
{

std::string baseName(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The files a batch levels: each FILE, and the audio files (by extension) in each folder, in
// name order. A missing path becomes a failing job.
std::vector<std::string> expandInputs(const std::vector<std::string>& given)
{
    std::vector<std::string> inputs;
    for (const std::string& path : given)
    {
        struct stat st
        {
        };
        if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        {
            inputs.push_back(path);
            continue;
        }
        std::vector<std::string> names;
        if (DIR* d = opendir(path.c_str()))
        {
            while (dirent* e = readdir(d))
            {
                const std::string name = e->d_name;
                struct stat entry
                {
                };
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
    auto lufs = [](double v)
    {
        char number[32];
        std::snprintf(number, sizeof number, std::isfinite(v) ? "%.1f" : "-inf", v);
        return std::string(number);
    };
    char text[256];
    std::snprintf(text, sizeof text, "%s -> %s LUFS, range %.1f -> %.1f LU, true peak %s dBTP",
                  lufs(f.in.integrated).c_str(), lufs(f.out.integrated).c_str(), f.in.range,
                  f.out.range, CLoudnessMeter::formatDb(f.out.truePeak).c_str());
    std::string line = text;
    if (f.targetApplied)
    {
        std::snprintf(text, sizeof text, ", static gain %+.1f dB", f.staticGain.gainDb);
        line += text;
        if (f.staticGain.limitedByPeak)
        {
            std::snprintf(text, sizeof text, " (target missed by %.1f LU)", f.staticGain.missLu);
            line += text;
        }
    }
    return line;
}

} // namespace

int runBatch(RunContext& run, const Verbosity& verbosity)
{
    const ProcessOptions& o = run.options;
    std::string error;
    if (!o.levels.empty() || !o.savePreset.empty())
        return reportFailure("--levels and --save-preset take one file; not with --out-dir",
                             kExitUsage);
    if (std::find(o.files.begin(), o.files.end(), "-") != o.files.end())
        return reportFailure("standard input (-) cannot be levelled with --out-dir", kExitUsage);
    struct stat st
    {
    };
    if (stat(o.outDir.c_str(), &st) != 0)
    {
        if (errno != ENOENT || mkdir(o.outDir.c_str(), 0777) != 0)
            return reportFailure(o.outDir + ": cannot make the folder: " + std::strerror(errno));
    }
    else if (!S_ISDIR(st.st_mode))
    {
        return reportFailure(o.outDir + ": not a folder (--out-dir)");
    }
    const std::vector<std::string> inputs = expandInputs(o.files);
    if (inputs.empty())
        return reportFailure("no audio files to level (folders are searched for files with an "
                             "audio extension)");

    ReportOutput reportOut;
    reportOut.wanted = !o.report.empty();
    std::vector<InputPath> fixedInputs = {{"the plug-in", o.plugin}};
    if (!o.preset.empty()) fixedInputs.push_back({"the preset", o.preset});
    if (reportOut.wanted)
    {
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
    for (size_t i = 0; i < inputs.size(); ++i)
    {
        FileJob& job = jobs[i];
        job.input = inputs[i];
        job.output = o.outDir + (o.outDir.back() == '/' ? "" : "/") + baseName(inputs[i]);
        std::vector<InputPath> in = fixedInputs;
        in.push_back({"the input", job.input});
        std::vector<const OutputTarget*> outs = {&job.audio};
        if (reportOut.wanted) outs.push_back(&reportOut.target);
        if (!examineOutput(job.output, o.noClobber, job.audio, job.failure) ||
            !checkDistinctFiles(in, {&job.audio}, job.failure) ||
            !checkDistinctFiles({}, outs, job.failure))
            continue;
        const std::string key = job.audio.exists ? job.audio.path : job.audio.canonical;
        if (auto [it, fresh] = claimed.emplace(key, job.input); !fresh)
        {
            job.failure = job.output + ": also the output of " + it->second +
                          " (two inputs with the same name)";
            continue;
        }
        CAudioReader probe;
        struct stat file
        {
        };
        if (stat(job.input.c_str(), &file) == 0 && S_ISREG(file.st_mode) &&
            probe.open(job.input, error))
            totalFrames += std::max(0LL, probe.frames());
    }
    if (reportOut.wanted &&
        !(reportOut.file = std::make_unique<CPendingFile>(reportOut.target))->ok())
        return reportFailure(reportOut.file->error());
    if (!isWindowsPlugin(o.plugin)) watchPluginFailures(o.plugin);

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
    auto work = [&]()
    {
        for (size_t i; (i = next++) < jobs.size();)
        {
            FileReport& report = reports[i];
            int status = 0;
            if (!jobs[i].failure.empty())
            {
                report.input = jobs[i].input;
                report.output = jobs[i].output;
                status = fail(report, jobs[i].failure);
            }
            else
            {
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
    while (printed < jobs.size())
    {
        std::vector<size_t> ready;
        {
            std::unique_lock<std::mutex> hold(doneLock);
            doneSignal.wait_for(hold, std::chrono::milliseconds(100),
                                [&] { return !finished.empty(); });
            ready.swap(finished);
        }
        if (!ready.empty()) progress.clear();
        for (size_t i : ready)
        {
            ++printed;
            const FileReport& f = reports[i];
            if (statuses[i] != 0)
            {
                std::fflush(stdout);
                // Most reasons name the file already.
                const bool named = f.error.rfind(f.input + ": ", 0) == 0;
                std::fprintf(stderr, "quar2-host: [%*zu/%zu] %s failed: %s\n", width, printed,
                             jobs.size(), f.input.c_str(),
                             named ? f.error.c_str() + f.input.size() + 2 : f.error.c_str());
            }
            else if (speak)
            {
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
        if (statuses[i] != 0)
        {
            status = status == 0 ? statuses[i] : status;
            ++failures;
            failedNames += (failedNames.empty() ? "" : ", ") + jobs[i].input;
        }
    run.run.files = reports;
    if (reportOut.wanted && (!writeReport(run, reportOut, error) || !reportOut.file->commit(error)))
        return reportFailure(error);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (speak)
        std::printf("levelled %zu of %zu files in %.1f s%s%s\n", jobs.size() - failures,
                    jobs.size(), seconds, failures == 0 ? "" : "; failed: ", failedNames.c_str());
    return status;
}
