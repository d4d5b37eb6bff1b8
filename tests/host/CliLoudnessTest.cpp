// End-to-end tests of quar2-host's loudness: the measured loudness and range against ffmpeg's,
// a target out of reach, and the limiter under the ceiling.

#include "CliCommandSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace
{

// A figure of the text table: the number after `label` at the start of a line.
double tableValue(const std::string& text, const std::string& label)
{
    const size_t at = text.find("\n" + label + " ");
    return at == std::string::npos ? NAN : std::atof(text.c_str() + at + label.size() + 2);
}

// The largest value after `key` (" M:", " S:") in ffmpeg's ebur128 log, one line per 100 ms.
double ffmpegLogMax(const std::string& text, const std::string& key)
{
    double most = -HUGE_VAL;
    for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + 1))
        most = std::max(most, std::atof(text.c_str() + at + key.size()));
    return most;
}

double reported(const std::string& text, const std::string& line, const std::string& key)
{
    const size_t from = text.find(line);
    const size_t at = from == std::string::npos ? from : text.find(key, from);
    return at == std::string::npos ? NAN : std::atof(text.c_str() + at + key.size());
}

} // namespace

TEST(CliLoudness, IntegratedLoudnessAndRangeAgreeWithFfmpeg)
{
    // Real speech (espeak-ng) at very different levels with pauses, as users level it: stereo
    // at 48 kHz, mono at 44.1 kHz, and one pushed into clipping.
    CScratchDir dir;
    const std::string script =
        "cd " + dir.path("") +
        " && "
        "espeak-ng -v en-gb -s 150 -w a.wav 'Good evening, and welcome to the programme.' && "
        "espeak-ng -v en-gb -s 150 -w b.wav 'Tonight we talk about the weather in the mountains.' "
        "&& "
        "sox a.wav -r 48000 -c 2 -b 16 a1.wav norm -1 pad 0 0.8 && "
        "sox b.wav -r 48000 -c 2 -b 16 b1.wav norm -1 gain -24 pad 0 1.2 && "
        "sox a1.wav b1.wav a1.wav b1.wav stereo.wav && "
        "sox b.wav -r 44100 -c 1 -b 24 b2.wav norm -3 pad 0 0.5 && "
        "sox a.wav -r 44100 -c 1 -b 24 a2.wav norm -1 gain -14 pad 0 2 && "
        "sox b2.wav a2.wav b2.wav mono.wav && "
        "sox a.wav -r 48000 -c 2 -b 16 a3.wav norm -1 gain 9 pad 0 0.4 && "
        "sox b.wav -r 48000 -c 2 -b 16 b3.wav norm -1 gain -18 && "
        "sox a3.wav b3.wav a3.wav clipped.wav 2>/dev/null";
    ASSERT_EQ(RunHost({"-c", script}, "/bin/sh").status, 0) << "espeak-ng and sox make the speech";
    for (const char* name : {"stereo.wav", "mono.wav", "clipped.wav"})
    {
        const std::string in = dir.path(name);
        RunResult r = RunHost({"process", kPlugin, in, dir.path("out.wav")});
        ASSERT_EQ(r.status, 0) << r.err;
        RunResult ff =
            RunHost({"-c", "ffmpeg -nostats -hide_banner -i " + in + " -af ebur128 -f null - 2>&1"},
                    "/bin/sh");
        const double ffI = FfmpegSummary(ff.out, "I:");
        const double ffLra = FfmpegSummary(ff.out, "LRA:");
        ASSERT_TRUE(std::isfinite(ffI) && std::isfinite(ffLra)) << ff.out;
        EXPECT_GT(ffLra, 5.0) << name << ": the speech should swing in level";
        // Both print to 0.1: the limits include half a digit of rounding on each side.
        EXPECT_NEAR(reported(r.out, "input:", "integrated "), ffI, 0.1 + 1e-9) << name << r.out;
        EXPECT_NEAR(reported(r.out, "input:", "loudness range "), ffLra, 0.2 + 1e-9)
            << name << r.out;
        // The test plug-in passes the audio unchanged: the output measures the same.
        EXPECT_NEAR(reported(r.out, "output:", "loudness range "), ffLra, 0.2 + 1e-9) << name;

        // analyze measures the same without a plug-in, and its peaks and loudest moments agree
        // with ffmpeg's too (its 100 ms log of momentary and short-term loudness).
        const std::string ffFull = FfmpegLoudness(in);
        RunResult a = RunHost({"analyze", in});
        ASSERT_EQ(a.status, 0) << a.err;
        EXPECT_NEAR(tableValue(a.out, "integrated"), ffI, 0.1 + 1e-9) << a.out;
        EXPECT_NEAR(tableValue(a.out, "loudness range"), ffLra, 0.2 + 1e-9) << a.out;
        EXPECT_NEAR(tableValue(a.out, "true peak"), FfmpegSummary(ffFull, "True peak:"), 0.2)
            << a.out;
        EXPECT_NEAR(tableValue(a.out, "sample peak"), FfmpegSummary(ffFull, "Sample peak:"),
                    0.1 + 1e-9)
            << a.out;
        EXPECT_NEAR(tableValue(a.out, "max momentary"), ffmpegLogMax(ffFull, " M:"), 0.1 + 1e-9);
        EXPECT_NEAR(tableValue(a.out, "max short-term"), ffmpegLogMax(ffFull, " S:"), 0.1 + 1e-9);
    }
}

TEST(CliLoudness, AnUnreachableTargetStopsAtTheCeilingAndSaysByHowMuch)
{
    // Quiet speech with one loud click: reaching -16 LUFS would put the click far above -1 dBTP.
    CScratchDir dir;
    ASSERT_TRUE(
        MakeSpeech(dir.path(""), "a.wav", "A quiet voice, far from the microphone.", -24, 0.3));
    ASSERT_EQ(
        RunHost({"-c", "cd " + dir.path("") +
                           " && sox -n -r 48000 -c 2 -b 16 click.wav synth 0.003 sine 3000 "
                           "vol 0.95 && sox a.wav click.wav a.wav spiky.wav && rm a.wav click.wav"},
                "/bin/sh")
            .status,
        0);
    const std::string in = dir.path("spiky.wav");
    const std::string out = dir.path("out.wav");
    RunResult r = RunHost({"process", kPlugin, in, out, "--loudness", "podcast", "--limiter", "off",
                           "--report", dir.path("r.json")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("warning: " + out + ": "), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("true-peak limit  off"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("held by the true-peak ceiling -1.0 dBTP"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("static gain"), std::string::npos) << r.out;

    // The test plug-in passes the audio unchanged, so ffmpeg's input figures predict it all.
    const std::string ffIn = FfmpegLoudness(in);
    const std::string ffOut = FfmpegLoudness(out);
    const double gain = -1.0 - FfmpegSummary(ffIn, "True peak:");
    EXPECT_GT(-16.0 - FfmpegSummary(ffIn, "I:"), gain + 5.0) << "the target must be out of reach";
    EXPECT_LE(FfmpegSummary(ffOut, "True peak:"), -1.0 + 1e-9) << ffOut;
    EXPECT_NEAR(FfmpegSummary(ffOut, "I:"), FfmpegSummary(ffIn, "I:") + gain, 0.15);
    const auto report = nlohmann::json::parse(ReadText(dir.path("r.json")));
    const auto& file = report["files"][0];
    EXPECT_TRUE(file["static_gain"]["limited_by_true_peak"].get<bool>());
    EXPECT_NEAR(file["static_gain"]["gain_db"].get<double>(), gain, 0.15);
    EXPECT_NEAR(file["static_gain"]["target_missed_by_lu"].get<double>(),
                -16.0 - FfmpegSummary(ffOut, "I:"), 0.15);
    EXPECT_LE(file["output_measurements"]["true_peak_dbtp"].get<double>(), -1.0);
    // Nothing was limited: the click keeps its shape, only scaled (16-bit steps apart).
    Audio a, b;
    ASSERT_TRUE(ReadAudio(in, a));
    ASSERT_TRUE(ReadAudio(out, b));
    ASSERT_EQ(a.samples.size(), b.samples.size());
    size_t loudest = 0;
    for (size_t i = 0; i < a.samples.size(); ++i)
        loudest = std::fabs(a.samples[i]) > std::fabs(a.samples[loudest]) ? i : loudest;
    const float scale = b.samples[loudest] / a.samples[loudest];
    EXPECT_NEAR(20.0 * std::log10(scale), file["static_gain"]["gain_db"].get<double>(), 0.01);
    float worst = 0;
    for (size_t i = 0; i < a.samples.size(); ++i)
        worst = std::max(worst, std::fabs(a.samples[i] * scale - b.samples[i]));
    EXPECT_LT(worst, 3.0f / 32768.0f);
    EXPECT_TRUE(file["true_peak_limiter"].is_null());

    // Targets and ceilings out of range, unknown names, a ceiling or a limiter without a target.
    for (const std::vector<std::string>& extra : {std::vector<std::string>{"--loudness", "loud"},
                                                  {"--loudness", "-80"},
                                                  {"--loudness", "-16", "--true-peak", "1"},
                                                  {"--true-peak", "-1"},
                                                  {"--limiter", "off"},
                                                  {"--loudness", "-16", "--limiter", "maybe"}})
    {
        std::vector<std::string> args = {"process", kPlugin, in, dir.path("x.wav")};
        args.insert(args.end(), extra.begin(), extra.end());
        r = RunHost(args);
        EXPECT_EQ(r.status, 2) << extra[1];
        EXPECT_EQ(lineCount(r.err), 1) << r.err;
    }
    EXPECT_NE(RunHost({"process", kPlugin, in, dir.path("x.wav"), "--loudness", "loud"})
                  .err.find("podcast, podcast-mono, mono, streaming"),
              std::string::npos);
    EXPECT_EQ(access(dir.path("x.wav").c_str(), F_OK), -1);
}

TEST(CliLoudness, TheLimiterMeetsTheTargetUnderTheCeilingWithAGlidingGain)
{
    // A voice with a click as in the test above, in float so that the gain can be read back
    // sample by sample (the test plug-in passes the audio unchanged).
    CScratchDir dir;
    ASSERT_TRUE(MakeSpeech(dir.path(""), "a.wav", "A voice close to the microphone.", -12, 0.3));
    ASSERT_EQ(RunHost({"-c", "cd " + dir.path("") +
                                 " && sox -n -r 48000 -c 2 -b 16 click.wav synth 0.003 sine 3000 "
                                 "vol 0.95 && sox a.wav click.wav a.wav -e floating-point -b 32 "
                                 "spiky.wav"},
                      "/bin/sh")
                  .status,
              0);
    const std::string in = dir.path("spiky.wav");
    const std::string out = dir.path("out.wav");
    RunResult r = RunHost(
        {"process", kPlugin, in, out, "--loudness", "broadcast", "--report", dir.path("r.json")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find("true-peak limit  lowered 1 passage, by "), std::string::npos) << r.out;
    const std::string ff = FfmpegLoudness(out);
    EXPECT_NEAR(FfmpegSummary(ff, "I:"), -23.0, 0.5) << ff;
    EXPECT_LE(FfmpegSummary(ff, "True peak:"), -1.0 + 1e-9) << ff;
    const auto report = nlohmann::json::parse(ReadText(dir.path("r.json")));
    const auto& file = report["files"][0];
    const auto& limiter = file["true_peak_limiter"];
    EXPECT_TRUE(limiter["acted"].get<bool>());
    EXPECT_EQ(limiter["passages_limited"].get<int>(), 1);
    EXPECT_NEAR(file["output_measurements"]["integrated_lufs"].get<double>(), -23.0, 0.05);
    EXPECT_FALSE(file["static_gain"]["limited_by_true_peak"].get<bool>());

    // The gain, frame by frame: the output over the input, less the static gain. It glides,
    // never by more than 0.1 dB from one frame to the next, down to the reduction reported;
    // outside the one passage it is the static gain exactly.
    Audio a, b;
    ASSERT_TRUE(ReadAudio(in, a));
    ASSERT_TRUE(ReadAudio(out, b));
    ASSERT_EQ(a.samples.size(), b.samples.size());
    const double gainDb = file["static_gain"]["gain_db"].get<double>();
    double previous = NAN, steepest = 0, deepest = 0;
    long long first = -1, last = -1;
    for (long long i = 0; i < a.frames(); ++i)
    {
        const float x = a.samples[size_t(2 * i)], y = b.samples[size_t(2 * i)];
        const double g = std::fabs(x) < 1e-3f ? NAN : 20.0 * std::log10(y / x) - gainDb;
        if (!std::isnan(g) && !std::isnan(previous))
            steepest = std::max(steepest, std::fabs(g - previous));
        // Reductions below 0.01 dB are not told from the static gain's rounding in the report.
        if (g < -0.01)
        {
            first = first < 0 ? i : first;
            last = i;
            deepest = std::min(deepest, g);
        }
        previous = g;
    }
    EXPECT_LT(steepest, 0.1);
    EXPECT_NEAR(-deepest, limiter["max_gain_reduction_db"].get<double>(), 0.05);
    EXPECT_GT(-deepest, 3.0) << "the click needs a real reduction";
    // The reduction surrounds the click (it starts before it) and is over within a second.
    const long long click = peakFrame(a);
    EXPECT_LT(first, click);
    EXPECT_GT(last, click);
    EXPECT_LT(last - first, 48000);
    // Well away from it, one float gain (the ratio at the start, or a neighbour) gives every
    // sample exactly.
    const long long start = std::find_if(a.samples.begin(), a.samples.end(),
                                         [](float v) { return std::fabs(v) > 1e-2f; }) -
                            a.samples.begin();
    const float ratio = b.samples[size_t(start)] / a.samples[size_t(start)];
    size_t exact = 0, outside = 0;
    for (float gain : {ratio, std::nextafter(ratio, 0.0f), std::nextafter(ratio, 2.0f)})
    {
        size_t matches = 0;
        outside = 0;
        for (long long i = 0; i < 2 * a.frames(); ++i)
            if (i / 2 < first - 4800 || i / 2 > last + 48000)
            {
                ++outside;
                matches += b.samples[size_t(i)] == a.samples[size_t(i)] * gain ? 1 : 0;
            }
        exact = std::max(exact, matches);
    }
    EXPECT_GT(outside, 0u);
    EXPECT_EQ(exact, outside);

    // A target with headroom: the limiter never acts and the bytes are those without it.
    for (const char* limit : {"on", "off"})
        ASSERT_EQ(RunHost({"process", kPlugin, in, dir.path(std::string("quiet-") + limit + ".wav"),
                           "--loudness", "-40", "--limiter", limit, "--report",
                           dir.path(std::string("quiet-") + limit + ".json")})
                      .status,
                  0);
    // libsndfile stamps a float file's PEAK chunk with the second it was written: that field
    // alone may differ between two runs.
    const auto unstamped = [](std::vector<unsigned char> bytes)
    {
        const unsigned char tag[] = {'P', 'E', 'A', 'K'};
        const auto peak = std::search(bytes.begin(), bytes.end(), tag, tag + 4);
        if (bytes.end() - peak >= 16) std::fill(peak + 12, peak + 16, 0);
        return bytes;
    };
    EXPECT_EQ(unstamped(ReadBytes(dir.path("quiet-on.wav"))),
              unstamped(ReadBytes(dir.path("quiet-off.wav"))));
    const auto quiet = nlohmann::json::parse(ReadText(dir.path("quiet-on.json")));
    EXPECT_FALSE(quiet["files"][0]["true_peak_limiter"]["acted"].get<bool>());
}
