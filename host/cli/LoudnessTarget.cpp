#include "host/cli/LoudnessTarget.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

const std::vector<LoudnessPreset>& loudnessPresets()
{
    static const std::vector<LoudnessPreset> presets = {
        {"podcast", -16.0, -1.0, "stereo podcasts (Apple, Spotify spoken word)"},
        {"podcast-mono", -19.0, -1.0, "mono podcasts (alias: mono)"},
        {"mono", -19.0, -1.0, "as podcast-mono"},
        {"streaming", -18.0, -1.0, "AES TD1004 streaming speech (alias: aes-streaming)"},
        {"aes-streaming", -18.0, -1.0, "as streaming"},
        {"broadcast", -23.0, -1.0, "EBU R 128 broadcast (alias: ebu-r128)"},
        {"ebu-r128", -23.0, -1.0, "as broadcast"},
        {"atsc", -24.0, -2.0, "ATSC A/85 broadcast (US)"},
    };
    return presets;
}

namespace
{

bool parseNumber(const std::string& text, double lo, double hi, double& out)
{
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (*end != '\0' || errno != 0 || !std::isfinite(v) || v < lo || v > hi) return false;
    out = v;
    return true;
}

} // namespace

bool parseLoudnessTarget(const std::string& loudness, const std::string& truePeak,
                         LoudnessTarget& target, std::string& error)
{
    target = LoudnessTarget{};
    if (loudness.empty())
    {
        if (!truePeak.empty())
        {
            error = "--true-peak needs --loudness";
            return false;
        }
        return true;
    }
    target.active = true;
    bool named = false;
    for (const LoudnessPreset& p : loudnessPresets())
        if (loudness == p.name)
        {
            named = true;
            target.preset = p.name;
            target.lufs = p.lufs;
            target.ceilingDbtp = p.ceilingDbtp;
        }
    if (!named && !parseNumber(loudness, -70.0, 0.0, target.lufs))
    {
        std::string names;
        for (const LoudnessPreset& p : loudnessPresets())
            names += (names.empty() ? "" : ", ") + std::string(p.name);
        error = "--loudness needs LUFS from -70 to 0 or a target's name (" + names + "), got \"" +
                loudness + "\"";
        return false;
    }
    if (!truePeak.empty() && !parseNumber(truePeak, -20.0, 0.0, target.ceilingDbtp))
    {
        error = "--true-peak needs dBTP from -20 to 0, got \"" + truePeak + "\"";
        return false;
    }
    return true;
}

StaticGain computeStaticGain(const LoudnessTarget& target, double integratedLufs, double truePeak)
{
    StaticGain g;
    if (!std::isfinite(integratedLufs) || !(truePeak > 0))
    {
        g.silent = true;
        return g;
    }
    g.gainDb = target.lufs - integratedLufs;
    const double peakDb = 20.0 * std::log10(truePeak);
    const double room = target.ceilingDbtp - peakDb;
    if (g.gainDb > room)
    {
        g.gainDb = room;
        g.limitedByPeak = true;
        g.missLu = target.lufs - (integratedLufs + room);
    }
    return g;
}

std::string describeLoudnessPresets(const std::string& indent)
{
    std::string text;
    for (const LoudnessPreset& p : loudnessPresets())
    {
        char line[160];
        std::snprintf(line, sizeof line, "%s%-14s %g LUFS, %g dBTP: %s\n", indent.c_str(), p.name,
                      p.lufs, p.ceilingDbtp, p.description);
        text += line;
    }
    return text;
}
