#pragma once
// The subcommands of quar2-host, each run with its parsed options. Each answers the process
// exit status (the same list is in the README and in `quar2-host --help`):
//   0  success
//   1  failure: a file, the plug-in or a write failed; one line on standard error, and no output
//      is written or changed
//   2  usage error: an unknown command or option, a missing or malformed argument
//   3  the plug-in's output was refused: non-finite samples, or clipping under --clip error

#include <string>
#include <vector>

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitRefused = 3;

// How much the commands say: 0 errors and warnings only (-q), 1 the usual report, 2 more (-v).
struct Verbosity
{
    int level = 1;
};

struct InfoOptions
{
    std::string plugin;
};

struct ProcessOptions
{
    std::string plugin, input, output;
    // As given after PLUGIN: IN OUT, or with --out-dir the files and folders to level.
    std::vector<std::string> files;
    std::vector<std::string> settings; // --set NAME=VALUE, in order
    std::string preset, savePreset, levels;
    int block = 512;
    bool keepLatency = false;
    bool noClobber = false;
    std::string clip = "warn";      // "warn" or "error"
    std::string loudness, truePeak; // --loudness TARGET, --true-peak CEILING
    std::string limiter;            // --limiter on|off; empty: on
    std::string report;             // --report FILE.json
    std::string outDir;             // --out-dir DIR: many files
    int jobs = 0;                   // -j N; 0: one per core
};

struct AnalyzeOptions
{
    std::vector<std::string> files;
    std::string report;
    bool noClobber = false;
};

struct BenchOptions
{
    std::vector<std::string> plugins;
    int seconds = 60;
    int runs = 3;
};

struct RenderEditorOptions
{
    std::string plugin, output, input, preset;
    std::vector<std::string> settings;
    int seconds = 4;
    bool noClobber = false;
    bool offline = false; // all audio first, then the editor at rest
};

int runInfo(const InfoOptions& options, const Verbosity& verbosity);
int runProcess(const ProcessOptions& options, const Verbosity& verbosity);
int runAnalyze(const AnalyzeOptions& options, const Verbosity& verbosity);
int runBench(const BenchOptions& options);
int runRenderEditor(const RenderEditorOptions& options, const Verbosity& verbosity);

// Prints "quar2-host: MESSAGE" on standard error and answers `status`.
int reportFailure(const std::string& message, int status = kExitFailure);
