#pragma once
// Delivery targets for spoken word: an integrated loudness and a true-peak ceiling, reached by
// one static gain after levelling. The gain never pushes the true peak above the ceiling: when
// the target would need that, the gain stops at the ceiling and the target is missed by the
// difference, which is reported; nothing is limited or clipped.

#include <string>
#include <vector>

struct LoudnessPreset
{
    const char* name;
    double lufs;
    double ceilingDbtp;
    const char* description;
};

// The named targets, in the order help and the README list them.
const std::vector<LoudnessPreset>& loudnessPresets();

// What --loudness and --true-peak asked for.
struct LoudnessTarget
{
    bool active = false;
    std::string preset; // the preset's name, empty for a number
    double lufs = 0;
    double ceilingDbtp = -1.0; // a preset's own unless --true-peak is given
    bool limiter = true;       // a true-peak limiter after the gain (--limiter off: none)
};

// Parses --loudness (a preset name or a number of LUFS from -70 to 0) and --true-peak (dBTP from
// -20 to 0; empty for the preset's or -1). False with a one-line reason naming the presets.
bool parseLoudnessTarget(const std::string& loudness, const std::string& truePeak,
                         LoudnessTarget& target, std::string& error);

// The static gain for audio measuring `integratedLufs` with the linear true peak `truePeak`.
struct StaticGain
{
    double gainDb = 0;
    bool limitedByPeak = false; // lowered to keep the true peak at the ceiling
    double missLu = 0;          // how far below the target the result is (0 when reached)
    bool silent = false;        // nothing to measure: no gain applied
};
StaticGain computeStaticGain(const LoudnessTarget& target, double integratedLufs, double truePeak);

// One line per preset for help: "podcast -16 LUFS, -1 dBTP: stereo podcasts".
std::string describeLoudnessPresets(const std::string& indent);
