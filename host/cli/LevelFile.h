#pragma once
// Levelling one file through a new instance of the plug-in, shared by `process` for one file and
// for many (--out-dir): what a run shares, what one file needs, and what it leaves to put in
// place.

#include "host/cli/AudioFile.h"
#include "host/cli/Commands.h"
#include "host/cli/FileOutput.h"
#include "host/cli/Report.h"

#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

// What every file of a run shares.
struct RunContext
{
    explicit RunContext(const ProcessOptions& o) : options(o) {}
    const ProcessOptions& options;
    LoudnessTarget target;
    bool batch = false;
    FILE* report = nullptr;    // the immediate report ("set ..."); null in a batch
    bool verbose = false;      // -v
    bool fullFigures = false;  // the input's peaks too (for the table and the report)
    bool showProgress = false; // a progress bar for the one file
    bool wantSettings = false; // the first file records the parameters used for the report
    std::mutex lock;           // guards the members below
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
    std::string failure; // found while planning: the file is not levelled
};

// Outputs written and waiting to be put in place.
struct PendingOutputs
{
    CAudioWriter writer;
    std::unique_ptr<CPendingFile> levels, preset;
};

// The report file, examined with the other outputs and written last.
struct ReportOutput
{
    bool wanted = false;
    OutputTarget target;
    std::unique_ptr<CPendingFile> file;
};

// Records a failure of one file in its report and answers its exit status.
int fail(FileReport& report, const std::string& message, int status = kExitFailure);

// Levels `job` through a new instance of the plug-in. On success the outputs are written but
// not yet in place (the caller commits `pending`); `report` holds the measurements. [any thread]
int levelFile(RunContext& run, const FileJob& job, PendingOutputs& pending, FileReport& report);

// Writes the run's JSON report into its pending file (not yet in place).
bool writeReport(RunContext& run, ReportOutput& out, std::string& error);

// Many files into --out-dir, -j at a time; answers the exit status.
int runBatch(RunContext& run, const Verbosity& verbosity);
