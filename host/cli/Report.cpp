#include "host/cli/Report.h"

#include "host/cli/Loudness.h"
#include "host/cli/PauseLevel.h"

#include <nlohmann/json.hpp>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#ifndef QUAR2_VERSION
#define QUAR2_VERSION "unknown"
#endif

namespace
{

constexpr double kLimitTolerance = 0.5; // dB below the Pull Up limit still counted as at it

using Json = nlohmann::ordered_json;

double toDb(double level)
{
    return level > 0 ? 20.0 * std::log10(level) : -HUGE_VAL;
}

// Two decimals are plenty; what cannot be measured is null.
Json number(double v)
{
    if (!std::isfinite(v)) return nullptr;
    return std::round(v * 100.0) / 100.0;
}

Json streamJson(const StreamFigures& s)
{
    return Json{{"integrated_lufs", number(s.integrated)},
                {"loudness_range_lu", number(s.range)},
                {"true_peak_dbtp", number(toDb(s.truePeak))},
                {"sample_peak_dbfs", number(toDb(s.samplePeak))},
                {"max_momentary_lufs", number(s.maxMomentary)},
                {"max_short_term_lufs", number(s.maxShortTerm)},
                {"noise_floor_lufs", number(s.noiseFloor)},
                {"pauses_vs_speech_lu", number(s.pausesBelowSpeech)}};
}

std::string cell(double v, const char* unit)
{
    char text[32];
    if (std::isfinite(v))
        std::snprintf(text, sizeof text, "%.1f %s", v, unit);
    else
        std::snprintf(text, sizeof text, "-inf %s", unit);
    return text;
}

std::string pauseCell(double v)
{
    if (std::isnan(v)) return "no speech";
    if (!std::isfinite(v)) return "silent";
    return cell(v, "dB");
}

std::string floorCell(double v)
{
    if (std::isnan(v)) return "no pauses";
    if (!std::isfinite(v)) return "silent";
    return cell(v, "LUFS");
}

} // namespace

StreamFigures::StreamFigures()
    : integrated(-HUGE_VAL), maxMomentary(-HUGE_VAL), maxShortTerm(-HUGE_VAL), noiseFloor(NAN)
{
}

StreamFigures StreamFigures::measure(const CLoudnessMeter& loudness, const CLoudnessMeter& peaks)
{
    StreamFigures s;
    s.integrated = loudness.integrated();
    s.range = loudness.range();
    s.truePeak = peaks.truePeak();
    s.samplePeak = peaks.samplePeak();
    s.maxMomentary = loudness.maxMomentary();
    s.maxShortTerm = loudness.maxShortTerm();
    s.noiseFloor = loudness.noiseFloor();
    s.pausesBelowSpeech = ::pausesBelowSpeech(loudness.windows(), s.integrated);
    return s;
}

GainSummary GainSummary::fromWindows(const std::vector<double>& gainsDb, bool haveLimit,
                                     double limitDb)
{
    GainSummary g;
    g.haveLimit = haveLimit;
    g.limitDb = limitDb;
    if (gainsDb.empty()) return g;
    g.measured = true;
    double sum = 0;
    size_t atLimit = 0;
    g.leastDb = g.mostDb = gainsDb.front();
    for (double d : gainsDb)
    {
        sum += d;
        g.leastDb = std::min(g.leastDb, d);
        g.mostDb = std::max(g.mostDb, d);
        atLimit += haveLimit && d >= limitDb - kLimitTolerance ? 1 : 0;
    }
    g.meanDb = sum / double(gainsDb.size());
    g.shareAtLimit = double(atLimit) / double(gainsDb.size());
    return g;
}

std::string describeStaticGain(const StaticGain& gain, const LoudnessTarget& target)
{
    char text[256];
    const std::string name = target.preset.empty() ? "" : " (" + target.preset + ")";
    if (gain.silent)
        std::snprintf(text, sizeof text, "none: nothing loud enough to measure (target %.1f LUFS)",
                      target.lufs);
    else if (gain.limitedByPeak)
        std::snprintf(text, sizeof text,
                      "%+.1f dB, held by the true-peak ceiling %.1f dBTP: the target %.1f LUFS%s "
                      "is missed by %.1f LU",
                      gain.gainDb, target.ceilingDbtp, target.lufs, name.c_str(), gain.missLu);
    else
        std::snprintf(text, sizeof text, "%+.1f dB to %.1f LUFS%s, true-peak ceiling %.1f dBTP",
                      gain.gainDb, target.lufs, name.c_str(), target.ceilingDbtp);
    return text;
}

std::string describeLimiter(const LimiterSummary& l)
{
    char text[256];
    if (!l.enabled) return "off";
    if (!l.acted())
        std::snprintf(text, sizeof text, "not needed: no true peak above %.1f dBTP", l.ceilingDb);
    else
        std::snprintf(text, sizeof text,
                      "lowered %lld passage%s, by %.1f dB at most, %.1f %% of the time (ceiling "
                      "%.1f dBTP, %+.1f dB of static gain for it)",
                      l.passages, l.passages == 1 ? "" : "s", -l.deepestDb, 100.0 * l.share(),
                      l.ceilingDb, l.addedDb);
    return text;
}

std::string reportTable(const FileReport& f, const LoudnessTarget& target)
{
    struct Row
    {
        const char* label;
        std::string in, out;
    };
    const StreamFigures& i = f.in;
    const StreamFigures& o = f.out;
    const Row rows[] = {
        {"integrated", cell(i.integrated, "LUFS"), cell(o.integrated, "LUFS")},
        {"loudness range", cell(i.range, "LU"), cell(o.range, "LU")},
        {"true peak", cell(toDb(i.truePeak), "dBTP"), cell(toDb(o.truePeak), "dBTP")},
        {"sample peak", cell(toDb(i.samplePeak), "dBFS"), cell(toDb(o.samplePeak), "dBFS")},
        {"max momentary", cell(i.maxMomentary, "LUFS"), cell(o.maxMomentary, "LUFS")},
        {"max short-term", cell(i.maxShortTerm, "LUFS"), cell(o.maxShortTerm, "LUFS")},
        {"noise floor", floorCell(i.noiseFloor), floorCell(o.noiseFloor)},
        {"pauses vs speech", pauseCell(i.pausesBelowSpeech), pauseCell(o.pausesBelowSpeech)},
    };
    std::string text;
    char line[256];
    auto row = [&](const char* label, const std::string& in, const std::string& out)
    {
        if (f.haveOutput)
            std::snprintf(line, sizeof line, "%-16s %12s %12s\n", label, in.c_str(), out.c_str());
        else
            std::snprintf(line, sizeof line, "%-16s %12s\n", label, in.c_str());
        text += line;
    };
    row("", "input", "output");
    for (const Row& r : rows)
        row(r.label, r.in, r.out);
    if (f.haveOutput)
    {
        // The room's story in one line: how much closer the pauses came to the speech.
        if (std::isfinite(i.pausesBelowSpeech) && std::isfinite(o.pausesBelowSpeech))
        {
            const double raised = o.pausesBelowSpeech - i.pausesBelowSpeech;
            std::snprintf(line, sizeof line, "pauses           %s by %.1f dB against the speech\n",
                          raised >= 0 ? "raised" : "lowered", std::fabs(raised));
            text += line;
        }
        const GainSummary& g = f.pluginGain;
        if (g.measured)
        {
            std::snprintf(line, sizeof line,
                          "plug-in gain     mean %+.1f dB, least %+.1f dB, most %+.1f dB", g.meanDb,
                          g.leastDb, g.mostDb);
            text += line;
            if (g.haveLimit)
            {
                std::snprintf(line, sizeof line,
                              "; %.0f %% of the time at the Pull Up limit (%+.1f dB)",
                              100.0 * g.shareAtLimit, g.limitDb);
                text += line;
            }
            text += "\n";
        }
        else
        {
            text += "plug-in gain     not measurable (no input above -70 dBFS)\n";
        }
        if (f.targetApplied)
        {
            text += "static gain      " + describeStaticGain(f.staticGain, target) + "\n";
            text += "true-peak limit  " + describeLimiter(f.limiter) + "\n";
        }
    }
    return text;
}

std::string reportJson(const RunReport& r)
{
    int major = 0, minor = 0, patch = 0;
    ebur128_get_version(&major, &minor, &patch);
    Json doc;
    doc["command"] = r.command;
    doc["versions"] = {{"quar2_host", QUAR2_VERSION},
                       {"libebur128", std::to_string(major) + "." + std::to_string(minor) + "." +
                                          std::to_string(patch)},
                       {"libsndfile", sf_version_string()}};
    if (r.command == "process")
    {
        Json parameters = Json::array();
        for (const auto& [name, display] : r.parameters)
            parameters.push_back({{"name", name}, {"value", display}});
        doc["plugin"] = {{"path", r.pluginPath},
                         {"name", r.pluginName},
                         {"vendor", r.pluginVendor},
                         {"version", r.pluginVersion}};
        Json settings = {{"parameters", parameters},
                         {"preset", r.preset.empty() ? Json(nullptr) : Json(r.preset)},
                         {"set", r.settings},
                         {"block_frames", r.block},
                         {"latency_compensated", !r.keepLatency}};
        if (r.target.active)
            settings["loudness_target"] = {
                {"preset", r.target.preset.empty() ? Json(nullptr) : Json(r.target.preset)},
                {"integrated_lufs", r.target.lufs},
                {"true_peak_ceiling_dbtp", r.target.ceilingDbtp},
                {"true_peak_limiter", r.target.limiter}};
        else
            settings["loudness_target"] = nullptr;
        doc["settings"] = settings;
    }
    Json files = Json::array();
    for (const FileReport& f : r.files)
    {
        Json j;
        j["input"] = f.input;
        if (r.command == "process") j["output"] = f.output;
        j["status"] = f.status;
        if (f.status != 0)
        {
            j["error"] = f.error;
            files.push_back(j);
            continue;
        }
        j["sample_rate"] = f.sampleRate;
        j["channels"] = f.channels;
        j["seconds"] = number(f.seconds);
        j["input_measurements"] = streamJson(f.in);
        if (f.haveOutput)
        {
            j["output_measurements"] = streamJson(f.out);
            j["latency_frames"] = f.latency;
            j["samples_above_full_scale"] = f.clipped;
            const GainSummary& g = f.pluginGain;
            j["plugin_gain"] = {
                {"mean_db", g.measured ? number(g.meanDb) : Json(nullptr)},
                {"least_db", g.measured ? number(g.leastDb) : Json(nullptr)},
                {"most_db", g.measured ? number(g.mostDb) : Json(nullptr)},
                {"pull_up_limit_db", g.haveLimit ? number(g.limitDb) : Json(nullptr)},
                {"share_at_pull_up_limit", g.measured && g.haveLimit
                                               ? Json(std::round(g.shareAtLimit * 1e4) / 1e4)
                                               : Json(nullptr)}};
            if (f.targetApplied)
            {
                const StaticGain& s = f.staticGain;
                j["static_gain"] = {{"gain_db", number(s.gainDb)},
                                    {"limited_by_true_peak", s.limitedByPeak},
                                    {"target_missed_by_lu", number(s.missLu)},
                                    {"nothing_to_measure", s.silent}};
                const LimiterSummary& l = f.limiter;
                j["true_peak_limiter"] =
                    !l.enabled ? Json(nullptr)
                               : Json{{"acted", l.acted()},
                                      {"ceiling_dbtp", number(l.ceilingDb)},
                                      {"max_gain_reduction_db", number(std::fabs(l.deepestDb))},
                                      {"share_of_time_reducing", std::round(l.share() * 1e4) / 1e4},
                                      {"passages_limited", l.passages},
                                      {"static_gain_added_db", number(l.addedDb)}};
            }
            else
            {
                j["static_gain"] = nullptr;
                j["true_peak_limiter"] = nullptr;
            }
        }
        files.push_back(j);
    }
    doc["files"] = files;
    return doc.dump(2) + "\n";
}
