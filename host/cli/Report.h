#pragma once
// The measurements quar2-host reports for each file, as a short text table on the terminal and
// as a JSON report (--report FILE.json, validated by host/cli/report.schema.json).

#include "host/cli/LoudnessTarget.h"
#include "host/cli/TruePeakLimiter.h"

#include <cmath>
#include <string>
#include <utility>
#include <vector>

class CLoudnessMeter;

// One stream's figures (levels linear, loudness in LUFS; -inf or NaN where not measurable).
struct StreamFigures
{
    double integrated;
    double range = 0;
    double truePeak = 0;
    double samplePeak = 0;
    double maxMomentary;
    double maxShortTerm;
    double noiseFloor;
    double pausesBelowSpeech = NAN; // LU; see PauseLevel.h
    StreamFigures();
    // Loudness figures from `loudness`, the peaks from `peaks` (the same meter or another).
    static StreamFigures measure(const CLoudnessMeter& loudness, const CLoudnessMeter& peaks);
};

// The plug-in's gain over time, from the ratio of output to input level in short windows where
// the input is not near silence (pauses have no measurable gain).
struct GainSummary
{
    bool measured = false;
    double meanDb = 0, leastDb = 0, mostDb = 0;
    bool haveLimit = false;  // the plug-in has a "Pull Up [dB]" parameter
    double limitDb = 0;      // Pull Up plus the output gain
    double shareAtLimit = 0; // 0..1 of the measured windows within 0.5 dB of the limit
    static GainSummary fromWindows(const std::vector<double>& gainsDb, bool haveLimit,
                                   double limitDb);
};

struct FileReport
{
    std::string input, output;
    int status = 0; // the file's exit status (0 success)
    std::string error;
    int sampleRate = 0, channels = 0;
    double seconds = 0;
    StreamFigures in, out;
    bool haveOutput = false; // out and the fields below are valid
    int latency = 0;
    GainSummary pluginGain;
    bool targetApplied = false;
    StaticGain staticGain;
    LimiterSummary limiter;
    long long clipped = 0;
};

struct RunReport
{
    std::string command; // "process" or "analyze"
    std::string pluginPath, pluginName, pluginVendor;
    int pluginVersion = 0;
    // Every parameter as it was used: name and display (with its label).
    std::vector<std::pair<std::string, std::string>> parameters;
    std::string preset;                // the .fxp loaded first, if any
    std::vector<std::string> settings; // --set, in order
    int block = 0;
    bool keepLatency = false;
    LoudnessTarget target;
    std::vector<FileReport> files;
};

// The JSON text of the report (one file per entry of "files"), with versions.
std::string reportJson(const RunReport& report);
// The text table for one file: figures of the input, and of the output when it has one, then
// the plug-in's gain and the static gain.
std::string reportTable(const FileReport& file, const LoudnessTarget& target);
// "lowered 14 passages, by 3.2 dB at most, 0.4 % of the time (ceiling -1.1 dBTP)", "off", ...
std::string describeLimiter(const LimiterSummary& limiter);
// "+9.3 dB, held by the true-peak ceiling -1.0 dBTP: -16.0 LUFS missed by 4.2 LU" and the like.
std::string describeStaticGain(const StaticGain& gain, const LoudnessTarget& target);
