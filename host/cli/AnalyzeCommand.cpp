// quar2-host analyze FILE...: the measurements `process` reports, of files as they are, with no
// plug-in: integrated loudness, loudness range, true and sample peak, maximum momentary and
// short-term loudness, the noise floor in pauses.

#include "host/cli/AudioFile.h"
#include "host/cli/Commands.h"
#include "host/cli/Loudness.h"
#include "host/cli/Report.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

int runAnalyze(const AnalyzeOptions& o, const Verbosity& verbosity)
{
    std::string error;
    RunReport run;
    run.command = "analyze";
    OutputTarget reportTarget;
    std::unique_ptr<CPendingFile> reportFile;
    if (!o.report.empty())
    {
        std::vector<InputPath> inputs;
        for (const std::string& f : o.files)
            inputs.push_back({"the input " + f, f});
        if (!examineOutput(o.report, o.noClobber, reportTarget, error) ||
            !checkDistinctFiles(inputs, {&reportTarget}, error))
            return reportFailure(error);
        if (!(reportFile = std::make_unique<CPendingFile>(reportTarget))->ok())
            return reportFailure(reportFile->error());
    }
    int status = 0;
    const size_t block = 4096;
    std::vector<float> left(block), right(block);
    for (const std::string& path : o.files)
    {
        FileReport file;
        file.input = path;
        CAudioReader reader;
        if (!reader.open(path, error))
        {
            reportFailure(error);
            file.status = kExitFailure;
            file.error = error;
            status = status == 0 ? kExitFailure : status;
            run.files.push_back(file);
            continue;
        }
        CLoudnessMeter meter(reader.channels(), reader.sampleRate(), true, true);
        long long frames = 0;
        for (int n; (n = reader.read(left.data(), right.data(), int(block))) > 0; frames += n)
            meter.add(left.data(), right.data(), n);
        file.sampleRate = reader.sampleRate();
        file.channels = reader.channels();
        file.seconds = double(frames) / reader.sampleRate();
        file.in = StreamFigures::measure(meter, meter);
        if (verbosity.level > 0)
            std::printf("%s%s: %.1f s, %d Hz, %s\n%s", run.files.empty() ? "" : "\n", path.c_str(),
                        file.seconds, file.sampleRate, file.channels == 1 ? "mono" : "stereo",
                        reportTable(file, LoudnessTarget{}).c_str());
        run.files.push_back(file);
    }
    if (reportFile)
    {
        const std::string text = reportJson(run);
        if (!writeAll(reportFile->fd(), text.data(), text.size()))
            return reportFailure(o.report + ": write failed: " + std::strerror(errno));
        if (!reportFile->commit(error)) return reportFailure(error);
    }
    return status;
}
