// The command line parser, display-number parsing, output files that appear only whole, and the
// bridge's message reader; the true-peak detector and the limiter's gain.

#include "host/lib/BridgeProtocol.h"
#include "host/cli/BridgeProcess.h"
#include "host/cli/CommandLine.h"
#include "host/cli/FileOutput.h"
#include "host/cli/ParameterSetter.h"
#include "host/cli/PauseLevel.h"
#include "host/cli/TruePeakDetector.h"
#include "host/cli/TruePeakLimiter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <dirent.h>
#include <vector>
#include <unistd.h>

namespace
{

int filesIn(const std::string& dir)
{
    int n = 0;
    DIR* d = opendir(dir.c_str());
    while (dirent* e = readdir(d))
        n += std::string(e->d_name) != "." && std::string(e->d_name) != "..";
    closedir(d);
    return n;
}

} // namespace

TEST(CommandLine, OptionsInBothFormsRepeatsAndErrors)
{
    const char* argv[] = {"a",   "--set",          "X=1", "b",  "--set=Y=2", "--block",
                          "256", "--keep-latency", "--",  "--c"};
    CCommandLine args({"set", "block"}, {"keep-latency"});
    std::string error;
    ASSERT_TRUE(args.parse(10, const_cast<char**>(argv), 0, error)) << error;
    EXPECT_EQ(args.positional(), (std::vector<std::string>{"a", "b", "--c"}));
    EXPECT_EQ(args.values("set"), (std::vector<std::string>{"X=1", "Y=2"}));
    EXPECT_TRUE(args.has("keep-latency"));
    int block = 0;
    EXPECT_TRUE(args.intValue("block", 512, 1, 65536, block, error));
    EXPECT_EQ(block, 256);

    for (std::vector<const char*> bad :
         {std::vector<const char*>{"--bogus"}, std::vector<const char*>{"--set"},
          std::vector<const char*>{"--keep-latency=1"}})
    {
        CCommandLine c({"set"}, {"keep-latency"});
        EXPECT_FALSE(c.parse(int(bad.size()), const_cast<char**>(bad.data()), 0, error));
        EXPECT_FALSE(error.empty());
    }
    for (const char* text : {"0", "65537", "12x", "", "-5"})
    {
        const char* argv2[] = {"--block", text};
        CCommandLine c({"block"}, {});
        ASSERT_TRUE(c.parse(2, const_cast<char**>(argv2), 0, error));
        EXPECT_FALSE(c.intValue("block", 512, 1, 65536, block, error)) << text;
        EXPECT_NE(error.find("--block"), std::string::npos);
    }
}

TEST(DisplayNumbers, NumbersWithUnitsAndPrecision)
{
    double v = 0;
    std::string unit;
    int decimals = -1;
    EXPECT_TRUE(parseNumberWithUnit(" -3.50dB", v, unit, &decimals));
    EXPECT_DOUBLE_EQ(v, -3.5);
    EXPECT_EQ(unit, "dB");
    EXPECT_EQ(decimals, 2);
    EXPECT_TRUE(parseNumberWithUnit("1sec", v, unit, &decimals));
    EXPECT_DOUBLE_EQ(v, 1.0);
    EXPECT_EQ(unit, "sec");
    EXPECT_EQ(decimals, 0);
    EXPECT_FALSE(parseNumberWithUnit("Zero", v, unit));
    EXPECT_FALSE(parseNumberWithUnit("-inf", v, unit));
    EXPECT_FALSE(parseNumberWithUnit("nan", v, unit));
    EXPECT_FALSE(parseNumberWithUnit("0x10", v, unit));
    EXPECT_FALSE(parseNumberWithUnit("", v, unit));
    EXPECT_EQ(normaliseDisplayText(" 5 MS "), "5ms");
}

TEST(PendingFile, AppearsOnlyOnCommitAndVanishesOtherwise)
{
    char dir[] = "/tmp/quar2-pending-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string target = std::string(dir) + "/out.wav";
    {
        CPendingFile file(target);
        ASSERT_TRUE(file.ok());
        ASSERT_EQ(write(file.fd(), "abc", 3), 3);
        EXPECT_NE(access(file.tempPath().c_str(), F_OK), -1);
        EXPECT_EQ(access(target.c_str(), F_OK), -1);
    }
    EXPECT_EQ(filesIn(dir), 0) << "an abandoned temporary file stayed";
    {
        CPendingFile file(target);
        ASSERT_EQ(write(file.fd(), "abc", 3), 3);
        std::string error;
        ASSERT_TRUE(file.commit(error)) << error;
    }
    EXPECT_EQ(access(target.c_str(), R_OK), 0);
    EXPECT_EQ(filesIn(dir), 1);
    unlink(target.c_str());
    rmdir(dir);
}

TEST(BridgeMessages, EveryTruncationIsDetectedAndValuesRoundTrip)
{
    CMessageWriter w;
    w.i32(-7);
    w.f32(0.25f);
    w.text("Pull Up [dB]");
    const uint8_t chunk[3] = {1, 2, 3};
    w.bytes(chunk, 3);
    const float audio[4] = {0.5f, -0.5f, 1.0f, 0.0f};
    w.floats(audio, 4);
    w.f64(1.5);
    const std::vector<uint8_t> full = w.data();
    {
        CMessageReader r(full.data(), full.size());
        EXPECT_EQ(r.i32(), -7);
        EXPECT_EQ(r.f32(), 0.25f);
        EXPECT_EQ(r.text(), "Pull Up [dB]");
        EXPECT_EQ(r.bytes(), (std::vector<uint8_t>{1, 2, 3}));
        std::vector<float> f;
        r.floats(f);
        EXPECT_EQ(f, (std::vector<float>{0.5f, -0.5f, 1.0f, 0.0f}));
        EXPECT_EQ(r.f64(), 1.5);
        EXPECT_FALSE(r.failed());
    }
    // Any shorter message fails somewhere and never hands out bytes beyond its end.
    for (size_t size = 0; size < full.size(); ++size)
    {
        std::vector<uint8_t> cut(full.begin(), full.begin() + long(size));
        CMessageReader r(cut.data(), cut.size());
        r.i32();
        r.f32();
        const std::string t = r.text();
        const std::vector<uint8_t> b = r.bytes();
        std::vector<float> f;
        r.floats(f);
        r.f64();
        EXPECT_TRUE(r.failed()) << size;
        EXPECT_LE(t.size() + b.size() + f.size() * 4, size);
    }
    // A length field far beyond the message.
    CMessageWriter huge;
    huge.u32(0xFFFFFFFFu);
    CMessageReader r(huge.data().data(), huge.data().size());
    EXPECT_TRUE(r.text().empty());
    EXPECT_TRUE(r.failed());
}

TEST(BridgeProcess, LinuxPathsBecomeWineDrivePaths)
{
    EXPECT_EQ(CBridgeProcess::windowsPath("/work/build/QUAR2.dll"), "Z:\\work\\build\\QUAR2.dll");
}

TEST(PauseLevel, QuietestWindowsAgainstTheLoudestHalf)
{
    // 70 windows of speech between -30 and -16 LUFS, 30 of room tone at -60 and -58.
    std::vector<float> windows;
    for (int i = 0; i < 70; ++i)
        windows.push_back(-30.0f + 0.2f * float(i));
    for (int i = 0; i < 30; ++i)
        windows.push_back(i % 2 ? -60.0f : -58.0f);
    // Pauses: median of the quietest 15 (-60 / -58 alternating, sorted: the 8th is -60 or -58);
    // speech: median of the loudest 50, -30 + 0.2 * 45 = -21.
    const double below = pausesBelowSpeech(windows, -25.0);
    EXPECT_TRUE(below == -60.0 + 21.0 || below == -58.0 + 21.0) << below;
    // Lifting the room by 20 dB brings it 20 dB closer.
    for (float& w : windows)
        if (w < -50.0f) w += 20.0f;
    EXPECT_NEAR(pausesBelowSpeech(windows, -25.0), below + 20.0, 1e-4);
    // Digital silence in the pauses; nothing to measure.
    for (float& w : windows)
        if (w < -35.0f) w = -HUGE_VALF;
    EXPECT_EQ(pausesBelowSpeech(windows, -25.0), -HUGE_VAL);
    EXPECT_TRUE(std::isnan(pausesBelowSpeech({}, -25.0)));
    EXPECT_TRUE(std::isnan(pausesBelowSpeech(windows, -HUGE_VAL)));
}

TEST(TruePeak, PeaksBetweenSamplesAreFoundAndTheLimiterCoversThemSmoothly)
{
    // A sine at a quarter of the rate, 45 degrees off: every sample is at 0.707, the wave at 1
    // (faded in and out over 10 ms, so that no onset rings above it).
    std::vector<float> wave(4800);
    for (size_t i = 0; i < wave.size(); ++i)
    {
        const double fade = std::min(1.0, double(std::min(i, wave.size() - 1 - i)) / 480.0);
        wave[i] = float(fade * std::sin(M_PI / 2 * double(i) + M_PI / 4));
    }
    CTruePeakDetector detector(1, 48000);
    std::vector<float> envelope(wave.size());
    const int got = detector.add(wave.data(), nullptr, int(wave.size()), envelope.data());
    EXPECT_EQ(got, int(wave.size()) - CTruePeakDetector::kDelay);
    EXPECT_NEAR(detector.samplePeak(), std::sqrt(0.5), 1e-6);
    EXPECT_NEAR(20 * std::log10(detector.truePeak()), 0.0, 0.02);
    EXPECT_NEAR(20 * std::log10(envelope[2400]), 0.0, 0.02);

    // One frame 12 dB over a -1 dB ceiling in silence: the gain is down by 12 dB around it,
    // falls and rises in steps of a small fraction of a dB, and is exactly 0 dB elsewhere.
    CTruePeakLimiter limiter(48000, -1.0);
    const int ahead = limiter.lookAhead();
    const long long peak = 1000;
    std::vector<double> gain;
    for (long long f = 0; f < 48000 + ahead; ++f)
    {
        const double g = limiter.next(f == peak ? std::pow(10.0, 11.0 / 20.0) : 0.5);
        if (f >= ahead) gain.push_back(g);
    }
    for (long long f = peak - 12; f <= peak + 12; ++f)
        EXPECT_LE(gain[size_t(f)], -12.0 + 1e-9) << f;
    double steepest = 0;
    for (size_t f = 1; f < gain.size(); ++f)
        steepest = std::max(steepest, std::fabs(gain[f] - gain[f - 1]));
    EXPECT_LE(steepest, 12.0 / 180 + 1e-9);
    EXPECT_GT(steepest, 0.0);
    EXPECT_EQ(gain[size_t(peak - ahead - 1)], 0.0);
    EXPECT_LT(gain[size_t(peak - ahead + 20)], 0.0) << "down ahead of the peak";
    EXPECT_EQ(gain.back(), 0.0) << "back to exactly 0 dB after the release";
    EXPECT_TRUE(limiter.atRest());
}
