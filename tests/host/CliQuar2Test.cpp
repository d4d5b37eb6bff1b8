// quar2-host with the real plug-in, QUAR2.so: its parameters by name and step name, its 260-byte
// state chunk in a preset, its 64-frame look-ahead compensated, and levelling that narrows the
// loudness range of speech-like audio with strong level swings.

#include "CliTestSupport.h"

#include "host/cli/FxpPreset.h"
#include "host/cli/LevellerFloor.h"
#include "host/lib/PluginInstance.h"
#include "host/cli/SpeechLikeSignal.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace
{

const std::string kQuar2 = QUAR2_PLUGIN_SO;
const std::string kZam = "/usr/lib/vst/ZamCompX2-vst.so";

double after(const std::string& text, const std::string& key)
{
    const size_t at = text.find(key);
    return at == std::string::npos ? NAN : std::atof(text.c_str() + at + key.size());
}

} // namespace

TEST(CliQuar2, InfoShowsTheRecordAndTheTenParameters)
{
    RunResult r = RunHost({"info", kQuar2});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("effect:        QUAR2"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("vendor:        Tessel Audio"), std::string::npos);
    EXPECT_NE(r.out.find("0x51554152 \"QUAR\""), std::string::npos);
    EXPECT_NE(r.out.find("chunk:         260 bytes"), std::string::npos);
    for (const char* name :
         {"\"SC Filter\"", "\"LF Filter\"", "\"Attack Mode\"", "\"Push Down [dB]\"",
          "\"Pull Up [dB]\"", "\"Recovery\"", "\"Emphasis\"", "\"Output [dB]\"",
          "\"[Display Speed]\"", "\"Brake [dB]\""})
        EXPECT_NE(r.out.find(name), std::string::npos) << name;
    // The look-ahead, known as soon as the plug-in is resumed, and each parameter's steps.
    EXPECT_NE(r.out.find("latency:       64 frames\n"), std::string::npos);
    EXPECT_NE(r.out.find("-20.00 to 20.00 in 41 steps of 1.00"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"Zero\", \"250us\", \"500us\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("81 values from \"-80.00\" to \"Off\""), std::string::npos) << r.out;
}

TEST(CliQuar2, LookAheadIsCompensatedAndSettingsAndPresetsRoundTrip)
{
    CScratchDir dir;
    Audio in;
    in.samples.assign(2 * 4000, 0.0f);
    in.samples[2 * 2000] = in.samples[2 * 2000 + 1] = 0.5f;
    ASSERT_TRUE(WriteAudio(dir.path("in.wav"), in));
    RunResult r = RunHost({"process", kQuar2, dir.path("in.wav"), dir.path("out.wav"), "--set",
                           "Attack Mode=5ms", "--set", "LF Filter=80Hz", "--set", "pull up=12",
                           "--set", "[Display Speed]=2.5", "--save-preset", dir.path("a.fxp")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("set Attack Mode = 5ms"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("set LF Filter = 80Hz"), std::string::npos);
    EXPECT_NE(r.out.find("set Pull Up [dB] = 12.00"), std::string::npos);
    EXPECT_NE(r.out.find("set [Display Speed] = 2.50"), std::string::npos);
    EXPECT_NE(r.out.find("latency: 64 frames (compensated)"), std::string::npos);
    Audio out;
    ASSERT_TRUE(ReadAudio(dir.path("out.wav"), out));
    ASSERT_EQ(out.frames(), 4000);
    long long peak = 0;
    for (long long i = 0; i < out.frames(); ++i)
        if (std::fabs(out.samples[size_t(2 * i)]) > std::fabs(out.samples[size_t(2 * peak)]))
            peak = i;
    EXPECT_EQ(peak, 2000) << "the impulse should come out where it went in";

    FxpProgram preset;
    std::string error;
    ASSERT_TRUE(readFxpFile(dir.path("a.fxp"), preset, error)) << error;
    ASSERT_EQ(preset.chunk.size(), 260u);
    EXPECT_EQ(preset.chunk[2], 0x7A); // the marker -1000.0f, little-endian: 00 00 7A C4
    EXPECT_EQ(preset.chunk[3], 0xC4);
    float pullUp;
    std::memcpy(&pullUp, preset.chunk.data() + 4 + 4 * 5, 4); // slider 6
    EXPECT_FLOAT_EQ(pullUp, 12.0f);
    EXPECT_EQ(preset.name, "QUAR2");

    r = RunHost({"process", kQuar2, dir.path("in.wav"), dir.path("b.wav"), "--preset",
                 dir.path("a.fxp"), "--save-preset", dir.path("b.fxp")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(dir.path("a.fxp")), ReadBytes(dir.path("b.fxp")));
    Audio b;
    ASSERT_TRUE(ReadAudio(dir.path("b.wav"), b));
    EXPECT_EQ(b.samples, out.samples);

    // Between two steps: the nearer one, and the step named.
    r = RunHost(
        {"process", kQuar2, dir.path("in.wav"), dir.path("c.wav"), "--set", "Output [dB]=-3.4"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("set Output [dB] = -3.00 (-3.4 lies between the steps -4.00 and -3.00; "
                         "the parameter moves in steps of 1.00"),
              std::string::npos)
        << r.out;
    r = RunHost(
        {"process", kQuar2, dir.path("in.wav"), dir.path("c.wav"), "--set", "Pull Up [dB]=31"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("valid values: \"0.00\", \"1.00\""), std::string::npos) << r.err;
    r = RunHost(
        {"process", kQuar2, dir.path("in.wav"), dir.path("c.wav"), "--set", "Attack Mode=2ms"});
    EXPECT_NE(r.err.find("\"Zero\", \"250us\", \"500us\", \"1ms\", \"5ms\""), std::string::npos)
        << r.err;

    // The Brake by its name and value; and the factory presets by name: listed one per line,
    // each loads (the podcast preset's Brake is on), and an unknown name lists the names.
    r = RunHost(
        {"process", kQuar2, dir.path("in.wav"), dir.path("c.wav"), "--set", "Brake [dB]=-50"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("set Brake [dB] = -50.00"), std::string::npos) << r.out;
    r = RunHost({"presets"});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* name : {"audiobook ", "broadcast ", "interview ", "podcast "})
    {
        EXPECT_NE(("\n" + r.out).find(std::string("\n") + name), std::string::npos) << r.out;
        ASSERT_EQ(RunHost({"process", kQuar2, dir.path("in.wav"), dir.path("p.wav"), "--preset",
                           std::string(name).substr(0, std::string(name).size() - 1),
                           "--save-preset", dir.path("p.fxp")})
                      .status,
                  0)
            << name;
    }
    ASSERT_TRUE(readFxpFile(dir.path("p.fxp"), preset, error)) << error; // podcast, the last
    float brake;
    std::memcpy(&brake, preset.chunk.data() + 44, 4); // slider 11
    EXPECT_LT(brake, 0.0f);
    r = RunHost({"process", kQuar2, dir.path("in.wav"), dir.path("c.wav"), "--preset", "nosuch"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("audiobook, broadcast, interview, podcast"), std::string::npos) << r.err;

    ASSERT_EQ(RunHost({"process", kZam, dir.path("in.wav"), dir.path("z.wav"), "--save-preset",
                       dir.path("zam.fxp")})
                  .status,
              0);
    r = RunHost({"process", kQuar2, dir.path("in.wav"), dir.path("c.wav"), "--preset",
                 dir.path("zam.fxp")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("for another plug-in"), std::string::npos) << r.err;
}

TEST(CliQuar2, LevellingNarrowsTheLoudnessRangeOfSpeechWithLevelSwings)
{
    CScratchDir dir;
    const StereoSignal speech = makeSpeechLikeSignal(40, 48000);
    Audio in;
    for (size_t i = 0; i < speech.left.size(); ++i)
    {
        in.samples.push_back(speech.left[i]);
        in.samples.push_back(speech.right[i]);
    }
    ASSERT_TRUE(WriteAudio(dir.path("in.wav"), in));
    RunResult r = RunHost({"process", kQuar2, dir.path("in.wav"), dir.path("out.wav"), "--set",
                           "Push Down [dB]=-18", "--set", "Pull Up [dB]=30", "--set",
                           "Attack Mode=5ms", "--levels", dir.path("levels.csv")});
    ASSERT_EQ(r.status, 0) << r.err;
    const double before = after(r.out, "input:  integrated ");
    const double rangeBefore = after(r.out.substr(r.out.find("input:")), "loudness range ");
    const double rangeAfter = after(r.out.substr(r.out.find("output:")), "loudness range ");
    EXPECT_LT(before, -15.0);
    EXPECT_GT(rangeBefore, 10.0) << r.out;
    EXPECT_LT(rangeAfter, rangeBefore / 2) << r.out;
    // The levels file shows more gain for the quiet passages than for the loud ones.
    const std::string csv = ReadText(dir.path("levels.csv"));
    double quietGain = 0, loudGain = 0;
    int quiet = 0, loud = 0;
    for (size_t at = csv.find('\n') + 1; at < csv.size(); at = csv.find('\n', at) + 1)
    {
        double t, inDb, outDb, gain;
        if (std::sscanf(csv.c_str() + at, "%lf,%lf,%lf,%lf", &t, &inDb, &outDb, &gain) != 4)
            continue;
        if (inDb < -40 && inDb > -60)
        {
            quietGain += gain;
            ++quiet;
        }
        else if (inDb > -25)
        {
            loudGain += gain;
            ++loud;
        }
    }
    ASSERT_GT(quiet, 10);
    ASSERT_GT(loud, 10);
    EXPECT_GT(quietGain / quiet, loudGain / loud + 10.0);
}

// The floor row of `bench` is the leveller's own arithmetic: at the default settings its plain
// loop gives QUAR2.so's output bit for bit, on a minute's worth of speech-like blocks. And bench
// prints it first, as the row every ratio refers to.
TEST(CliQuar2, BenchFloorIsTheLevellersArithmeticAndTheRowEveryRatioIsTo)
{
    std::string error;
    std::unique_ptr<CPluginInstance> plugin = loadPlugin(kQuar2, error);
    ASSERT_NE(plugin, nullptr) << error;
    plugin->setSampleRate(48000.0f);
    plugin->setBlockSize(512);
    plugin->resume();
    CLevellerFloor floor(48000.0);
    const StereoSignal signal = makeSpeechLikeSignal(10, 48000);
    std::vector<float> pl(512), pr(512), fl(512), fr(512);
    size_t differing = 0;
    for (size_t at = 0; at + 512 <= signal.left.size(); at += 512)
    {
        const float* in[2] = {&signal.left[at], &signal.right[at]};
        float* out[2] = {pl.data(), pr.data()};
        plugin->process(in, out, 512);
        floor.process(in[0], in[1], fl.data(), fr.data(), 512);
        differing += std::memcmp(pl.data(), fl.data(), 512 * sizeof(float)) != 0 ||
                     std::memcmp(pr.data(), fr.data(), 512 * sizeof(float)) != 0;
    }
    plugin->suspend();
    EXPECT_EQ(differing, 0u);

    RunResult r = RunHost({"bench", kQuar2, "--seconds", "1", "--runs", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    const size_t floorRow = r.out.find("\nfloor ");
    const size_t quar2Row = r.out.find("\nQUAR2.so ");
    ASSERT_NE(floorRow, std::string::npos) << r.out;
    ASSERT_NE(quar2Row, std::string::npos) << r.out;
    EXPECT_LT(floorRow, quar2Row);
    double floorNs = 0, floorRatio = 0, quar2Ns = 0, quar2Ratio = 0;
    ASSERT_EQ(
        std::sscanf(r.out.c_str() + floorRow, " floor %lf %*f (%*[^)]) %lf", &floorNs, &floorRatio),
        2)
        << r.out;
    ASSERT_EQ(std::sscanf(r.out.c_str() + quar2Row, " QUAR2.so %lf %*f (%*[^)]) %lf", &quar2Ns,
                          &quar2Ratio),
              2)
        << r.out;
    EXPECT_DOUBLE_EQ(floorRatio, 1.0);
    EXPECT_NEAR(quar2Ratio, quar2Ns / floorNs,
                quar2Ratio * (0.05 / floorNs + 0.05 / quar2Ns) + 0.01);
}

namespace
{

// Validates a report against the schema kept in the repository, with python3-jsonschema.
RunResult validateReport(const std::string& report)
{
    return RunHost(
        {"-c",
         "import json, sys, jsonschema\n"
         "jsonschema.validate(json.load(open(sys.argv[1])), json.load(open(sys.argv[2])))",
         report, QUAR2_REPORT_SCHEMA},
        "/usr/bin/python3");
}

// Strong levelling of speech with large level swings, the look-ahead catching onsets (attack
// "Zero"), so that the levelled speech has peaks low enough for every target.
const std::vector<std::string> kVoice = {"--set", "LF Filter=80Hz",     "--set", "Attack Mode=Zero",
                                         "--set", "Push Down [dB]=-18", "--set", "Pull Up [dB]=30",
                                         "--set", "Output [dB]=4"};

std::vector<std::string> concat(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

TEST(CliQuar2, NamedLoudnessTargetsAreMetAsFfmpegMeasuresThemUnderTheirCeilings)
{
    CScratchDir dir;
    const std::string d = dir.path("");
    ASSERT_TRUE(MakeSpeech(d, "a.wav", "Good evening, and welcome.", 0, 0.5));
    ASSERT_TRUE(MakeSpeech(d, "b.wav", "Our guest joins us from far away.", -26, 0.6));
    ASSERT_TRUE(MakeSpeech(d, "c.wav", "Thank you, it is a pleasure!", -6, 0.3));
    ASSERT_EQ(
        RunHost({"-c", "cd " + d +
                           " && sox a.wav b.wav c.wav stereo.wav && "
                           "sox stereo.wav -c 1 mono.wav remix 1 && "
                           // A hand clap and a plosive, both peaking at -0.5 dBFS.
                           "sox -n -r 48000 -c 2 -b 16 clap.wav synth 0.04 whitenoise "
                           "sinc 800-4000 fade q 0.001 0.04 0.035 norm -0.5 && "
                           "sox -n -r 48000 -c 2 -b 16 pop.wav synth 0.03 brownnoise "
                           "sinc -300 fade h 0.002 0.03 0.025 norm -0.5 && "
                           "sox a.wav clap.wav b.wav pop.wav c.wav clap.wav b.wav loud.wav && "
                           "sox loud.wav -c 1 loud-mono.wav remix 1"},
                "/bin/sh")
            .status,
        0);
    struct Case
    {
        const char* target;
        const char* file;
        double lufs, ceiling;
        const char* truePeak;
        bool defaults; // the plug-in's own settings, not the strong levelling
    };
    const Case cases[] = {{"podcast", "stereo.wav", -16, -1, nullptr, false},
                          {"podcast-mono", "mono.wav", -19, -1, nullptr, false},
                          {"mono", "mono.wav", -19, -1, nullptr, false},
                          {"streaming", "stereo.wav", -18, -1, nullptr, false},
                          {"aes-streaming", "stereo.wav", -18, -1, nullptr, false},
                          {"broadcast", "stereo.wav", -23, -1, nullptr, false},
                          {"ebu-r128", "stereo.wav", -23, -1, nullptr, false},
                          {"atsc", "stereo.wav", -24, -2, nullptr, false},
                          {"-20", "stereo.wav", -20, -6, "-6", false},
                          {"podcast", "stereo.wav", -16, -1, nullptr, true},
                          {"podcast", "loud.wav", -16, -1, nullptr, true},
                          {"podcast-mono", "loud-mono.wav", -19, -1, nullptr, true},
                          {"streaming", "loud.wav", -18, -1, nullptr, true},
                          {"broadcast", "loud.wav", -23, -1, nullptr, true},
                          {"atsc", "loud.wav", -24, -2, nullptr, true}};
    int limited = 0;
    for (const Case& c : cases)
    {
        const std::string out = dir.path(std::string("out-") + c.target + "-" + c.file);
        std::vector<std::string> args = {
            "process",    kQuar2,   dir.path(c.file), out,
            "--loudness", c.target, "--report",       dir.path("r.json")};
        if (!c.defaults) args = concat(args, kVoice);
        if (c.truePeak != nullptr) args = concat(args, {"--true-peak", c.truePeak});
        RunResult r = RunHost(args);
        ASSERT_EQ(r.status, 0) << c.target << ": " << r.err;
        const std::string ff = FfmpegLoudness(out);
        EXPECT_NEAR(FfmpegSummary(ff, "I:"), c.lufs, 0.5) << c.target << "\n" << r.out;
        EXPECT_LE(FfmpegSummary(ff, "True peak:"), c.ceiling + 1e-9) << c.target << "\n" << r.out;
        if (c.truePeak != nullptr || std::string(c.target) == "podcast-mono")
        {
            const RunResult valid = validateReport(dir.path("r.json"));
            EXPECT_EQ(valid.status, 0) << c.target << ": " << valid.err;
        }
        const auto report = nlohmann::json::parse(ReadText(dir.path("r.json")));
        const auto& file = report["files"][0];
        // The limiter holds the ceiling, so the target is met every time.
        EXPECT_FALSE(file["static_gain"]["limited_by_true_peak"].get<bool>()) << c.target;
        EXPECT_EQ(r.err.find("is missed by"), std::string::npos) << r.err;
        EXPECT_NEAR(file["output_measurements"]["integrated_lufs"].get<double>(), c.lufs, 0.05);
        EXPECT_LE(file["output_measurements"]["true_peak_dbtp"].get<double>(), c.ceiling);
        // With the plug-in's defaults the podcast targets need the limiter.
        const bool acted = file["true_peak_limiter"]["acted"].get<bool>();
        if (c.defaults && std::string(c.target).rfind("podcast", 0) == 0)
        {
            EXPECT_TRUE(acted) << c.target << " " << c.file;
        }
        limited += acted ? 1 : 0;
        // The plug-in levelled (most gain far above least) and the table shows the figures of
        // the report.
        if (!c.defaults)
        {
            EXPECT_GT(file["plugin_gain"]["most_db"].get<double>(),
                      file["plugin_gain"]["least_db"].get<double>() + 10.0);
            EXPECT_NEAR(file["plugin_gain"]["pull_up_limit_db"].get<double>(), 34.0, 1e-9);
        }
        EXPECT_EQ(report["settings"]["loudness_target"]["integrated_lufs"].get<double>(), c.lufs);
        EXPECT_NE(r.out.find("static gain      "), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("noise floor"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("true-peak limit  "), std::string::npos) << r.out;
    }
    EXPECT_GE(limited, 3);
    // The schema is a real check: a report without its versions, or with a text for a level,
    // is refused.
    auto report = nlohmann::json::parse(ReadText(dir.path("r.json")));
    report.erase("versions");
    std::string text = report.dump();
    WriteBytes(dir.path("bad1.json"), std::vector<unsigned char>(text.begin(), text.end()));
    EXPECT_NE(validateReport(dir.path("bad1.json")).status, 0);
    report = nlohmann::json::parse(ReadText(dir.path("r.json")));
    report["files"][0]["output_measurements"]["integrated_lufs"] = "-16";
    text = report.dump();
    WriteBytes(dir.path("bad2.json"), std::vector<unsigned char>(text.begin(), text.end()));
    EXPECT_NE(validateReport(dir.path("bad2.json")).status, 0);
}

TEST(CliQuar2, ABatchGivesTheBytesOfOneByOneAndAFailingFileStopsOnlyItself)
{
    CScratchDir dir;
    const std::string d = dir.path("");
    ASSERT_TRUE(MakeSpeech(d, "a.wav", "Good evening.", 0, 0.2));
    ASSERT_TRUE(MakeSpeech(d, "b.wav", "The roads were closed for weeks.", -20, 0.3));
    // Twenty short files at different levels and lengths, and one that is not audio.
    std::string script = "cd " + d + " && mkdir in && ";
    for (int i = 0; i < 20; ++i)
        script += "sox " + std::string(i % 2 ? "a.wav b.wav" : "b.wav a.wav") + " in/talk" +
                  std::to_string(i) + ".wav gain -" + std::to_string(i % 7) + " trim 0 " +
                  std::to_string(0.6 + 0.02 * i) + " && ";
    script += "echo not audio > in/broken.wav";
    ASSERT_EQ(RunHost({"-c", script}, "/bin/sh").status, 0);

    const std::vector<std::string> settings = concat(kVoice, {"--loudness", "podcast"});
    RunResult r = RunHost(concat({"process", kQuar2, "--out-dir", dir.path("batch"), "-j", "2",
                                  "--report", dir.path("batch.json"), dir.path("in")},
                                 settings));
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.out.find("levelling 21 files into " + dir.path("batch") + ", 2 at a time"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("levelled 20 of 21 files"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("failed: " + dir.path("in/broken.wav")), std::string::npos) << r.out;
    // One failure line (warnings aside), naming the file and the reason.
    const size_t failure = r.err.find(" failed: ");
    ASSERT_NE(failure, std::string::npos) << r.err;
    EXPECT_EQ(r.err.find(" failed: ", failure + 1), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("broken.wav failed: unreadable or unsupported audio file"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(validateReport(dir.path("batch.json")).status, 0);
    const auto report = nlohmann::json::parse(ReadText(dir.path("batch.json")));
    ASSERT_EQ(report["files"].size(), 21u);

    for (int i = 0; i < 20; ++i)
    {
        const std::string name = "talk" + std::to_string(i) + ".wav";
        const std::string one = dir.path("one-" + name);
        RunResult single =
            RunHost(concat({"process", kQuar2, dir.path("in/" + name), one}, settings));
        ASSERT_EQ(single.status, 0) << single.err;
        const std::vector<unsigned char> batch = ReadBytes(dir.path("batch/" + name));
        EXPECT_FALSE(batch.empty()) << name;
        EXPECT_EQ(batch, ReadBytes(one)) << name;
        // One result line per file.
        EXPECT_NE(r.out.find("] " + dir.path("in/" + name) + ": "), std::string::npos) << name;
    }
}
