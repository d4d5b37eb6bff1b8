// QUAR2.so and QUAR2.dll must level the same audio to the same samples. The native test program
// processes a fixed speech-like signal with fixed settings and writes input and output to a
// file in the native build folder; the Windows test program (run later under Wine, see
// `make test`) feeds the file's input to QUAR2.dll and compares.
//
// Where the two may differ: the effect's own arithmetic is the same IEEE double arithmetic on
// both, and its dither comes from its own random sequence, not the C library's rand; but exp,
// tan and pow come from each platform's C library (glibc, msvcrt/mingw-w64), whose results may
// differ in the last bit. Those differences stay many orders of magnitude below the 1e-6
// allowed for the fixed settings. At the common sample rates the two libraries agree on every
// value the slider and init code compute from the parameters' steps, except pow's 10^-2, 10^-3
// and 10^-4: random settings that avoid those (a knee level of -40 or -60 dB, the Brake at
// -80 dB), at random common rates and block sizes, must give the same bits on both paths (the
// second pair of tests; the README says where the builds agree).

#include "tests/plugin/BuiltPlugin.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

namespace
{
constexpr char kMagic[4] = {'Q', '2', 'A', 'U'};
constexpr size_t kFrames = 5 * 44100;

// Settings that use every coefficient formula: Pull Up 12, Push Down -12, LF Filter 80 Hz
// (with the side-chain filter on), attack 5 ms, emphasis 5, recovery -3, output +3 dB.
void Configure(CVstPlugin& p)
{
    p.setParameter(0, 1.0f);
    p.setParameter(1, 3.0f / 8.0f);
    p.setParameter(2, 4.0f / 11.0f);
    p.setParameter(3, 0.6f);
    p.setParameter(4, 0.4f);
    p.setParameter(5, 0.7f);
    p.setParameter(6, 0.5f);
    p.setParameter(7, 23.0f / 40.0f);
}

struct Recording
{
    std::vector<std::vector<float>> input;
    std::vector<std::vector<float>> floatOut;
    std::vector<std::vector<double>> doubleOut;
};

Recording Record(CVstPlugin& floatPlugin, CVstPlugin& doublePlugin,
                 const std::vector<std::vector<float>>& input)
{
    Configure(floatPlugin);
    Configure(doublePlugin);
    Recording r;
    r.input = input;
    r.floatOut = floatPlugin.processFloat(input);
    std::vector<std::vector<double>> wide;
    for (const auto& channel : input)
        wide.emplace_back(channel.begin(), channel.end());
    r.doubleOut = doublePlugin.processDouble(wide);
    return r;
}

template <typename T> bool WriteAll(FILE* f, const std::vector<std::vector<T>>& channels)
{
    for (const auto& c : channels)
        if (std::fwrite(c.data(), sizeof(T), c.size(), f) != c.size()) return false;
    return true;
}

template <typename T> bool ReadAll(FILE* f, std::vector<std::vector<T>>& channels, size_t frames)
{
    channels.assign(2, std::vector<T>(frames));
    for (auto& c : channels)
        if (std::fread(c.data(), sizeof(T), frames, f) != frames) return false;
    return true;
}

// --- Random settings at the common rates ------------------------------------------------------

constexpr char kRandomMagic[4] = {'Q', '2', 'R', 'S'};
constexpr size_t kRandomFrames = 12000;
constexpr int kRandomCases = 16;
// The rates at which the two C libraries were found to agree (see the README).
constexpr float kCommonRates[] = {8000.0f,   11025.0f,  16000.0f,  22050.0f, 32000.0f,
                                  44100.0f,  48000.0f,  65536.0f,  88200.0f, 96000.0f,
                                  176400.0f, 192000.0f, 352800.0f, 384000.0f};

// One case: a rate, a block size and a step of every parameter (host index order: SC Filter,
// LF Filter, Attack Mode, Push Down, Pull Up, Recovery, Emphasis, Output, Display Speed, Brake).
struct RandomCase
{
    float rate;
    VstInt32 block;
    int steps[10];
};

// Parameter ranges (minimum, maximum) in their steps of 1, display speed in steps of 0.1.
constexpr double kRanges[10][2] = {{0, 1},   {0, 8},  {0, 11},   {-30, 0},  {0, 30},
                                   {-10, 0}, {0, 10}, {-20, 20}, {10, 100}, {-80, 0}};

// The same cases in both builds: drawn from mt19937's raw numbers, which the standard fixes.
std::vector<RandomCase> RandomCases()
{
    std::mt19937 random(29);
    std::vector<RandomCase> cases;
    while (static_cast<int>(cases.size()) < kRandomCases)
    {
        RandomCase c{};
        c.rate = kCommonRates[random() % std::size(kCommonRates)];
        c.block = static_cast<VstInt32>(1 + random() % 2048);
        for (int p = 0; p < 10; ++p)
        {
            const int lo = static_cast<int>(kRanges[p][0]), hi = static_cast<int>(kRanges[p][1]);
            c.steps[p] = lo + static_cast<int>(random() % static_cast<uint32_t>(hi - lo + 1));
        }
        // The settings where pow's 10^-2, 10^-3, 10^-4 enter: left out here.
        const int knee = c.steps[3] - c.steps[4];
        if (knee == -40 || knee == -60 || c.steps[9] == -80) continue;
        cases.push_back(c);
    }
    return cases;
}

void Apply(CVstPlugin& p, const RandomCase& c)
{
    for (int i = 0; i < 10; ++i)
    {
        const double lo = kRanges[i][0], hi = kRanges[i][1];
        p.setParameter(i, static_cast<float>((c.steps[i] - lo) / (hi - lo)));
    }
}

// Both paths of one case, each on a fresh instance made at the case's rate and block size.
template <typename Make>
void RunCase(Make make, const RandomCase& c, const std::vector<std::vector<float>>& input,
             std::vector<std::vector<float>>& floatOut, std::vector<std::vector<double>>& doubleOut)
{
    CVstPlugin* a = make(c);
    CVstPlugin* b = make(c);
    ASSERT_TRUE(a && b);
    Apply(*a, c);
    Apply(*b, c);
    floatOut = a->processFloat(input);
    std::vector<std::vector<double>> wide;
    for (const auto& channel : input)
        wide.emplace_back(channel.begin(), channel.end());
    doubleOut = b->processDouble(wide);
}

std::string RandomSettingsPath()
{
    return std::string(QUAR2_LINUX_AUDIO_PATH) + "-random-settings";
}
} // namespace

#ifndef _WIN32
TEST_F(BuiltPlugin, WritesTheLinuxAudioForTheWindowsComparison)
{
    CHostCallback h1, h2;
    CVstPlugin* a = make(h1);
    CVstPlugin* b = make(h2);
    ASSERT_TRUE(a && b);
    const Recording r = Record(*a, *b, SpeechLikeSignal(kFrames));
    // The recording itself is deterministic: a second pair of instances gives the same bits.
    CHostCallback h3, h4;
    CVstPlugin* c = make(h3);
    CVstPlugin* d = make(h4);
    ASSERT_TRUE(c && d);
    const Recording again = Record(*c, *d, r.input);
    EXPECT_EQ(again.floatOut, r.floatOut);
    EXPECT_EQ(again.doubleOut, r.doubleOut);

    FILE* f = std::fopen(QUAR2_LINUX_AUDIO_PATH, "wb");
    ASSERT_NE(f, nullptr) << QUAR2_LINUX_AUDIO_PATH;
    const uint32_t frames = static_cast<uint32_t>(kFrames);
    bool ok = std::fwrite(kMagic, 1, 4, f) == 4 && std::fwrite(&frames, 4, 1, f) == 1 &&
              WriteAll(f, r.input) && WriteAll(f, r.floatOut) && WriteAll(f, r.doubleOut);
    ok = std::fclose(f) == 0 && ok;
    EXPECT_TRUE(ok) << "could not write " << QUAR2_LINUX_AUDIO_PATH;
}

TEST_F(BuiltPlugin, WritesRandomSettingsAudioForTheWindowsComparison)
{
    std::vector<CHostCallback> hosts(2 * kRandomCases);
    size_t used = 0;
    const auto make = [&](const RandomCase& c)
    { return BuiltPlugin::make(hosts[used++], "VSTPluginMain", c.rate, c.block); };
    const std::vector<std::vector<float>> input = SpeechLikeSignal(kRandomFrames);
    FILE* f = std::fopen(RandomSettingsPath().c_str(), "wb");
    ASSERT_NE(f, nullptr) << RandomSettingsPath();
    bool ok = std::fwrite(kRandomMagic, 1, 4, f) == 4 && WriteAll(f, input);
    for (const RandomCase& c : RandomCases())
    {
        std::vector<std::vector<float>> floatOut;
        std::vector<std::vector<double>> doubleOut;
        RunCase(make, c, input, floatOut, doubleOut);
        ok = ok && WriteAll(f, floatOut) && WriteAll(f, doubleOut);
    }
    ok = std::fclose(f) == 0 && ok;
    EXPECT_TRUE(ok) << "could not write " << RandomSettingsPath();
}
#else
TEST_F(BuiltPlugin, LevelsLikeTheLinuxBuild)
{
    ASSERT_STRNE(QUAR2_LINUX_AUDIO_PATH, "")
        << "no native build to compare with: configure with -DQUAR2_NATIVE_BUILD_DIR=...";
    FILE* f = std::fopen(QUAR2_LINUX_AUDIO_PATH, "rb");
    ASSERT_NE(f, nullptr) << QUAR2_LINUX_AUDIO_PATH
                          << " is missing: the native tests write it (make test runs them "
                             "before the Windows tests)";
    char magic[4] = {};
    uint32_t frames = 0;
    Recording native;
    const bool ok = std::fread(magic, 1, 4, f) == 4 && std::fread(&frames, 4, 1, f) == 1 &&
                    std::equal(magic, magic + 4, kMagic) && frames == kFrames &&
                    ReadAll(f, native.input, frames) && ReadAll(f, native.floatOut, frames) &&
                    ReadAll(f, native.doubleOut, frames);
    std::fclose(f);
    ASSERT_TRUE(ok) << "unreadable " << QUAR2_LINUX_AUDIO_PATH;

    CHostCallback h1, h2;
    CVstPlugin* a = make(h1);
    CVstPlugin* b = make(h2);
    ASSERT_TRUE(a && b);
    const Recording windows = Record(*a, *b, native.input);

    double largest = 0.0;
    size_t differing = 0;
    for (size_t c = 0; c < 2; ++c)
    {
        for (size_t i = 0; i < frames; ++i)
        {
            const double dd = std::fabs(windows.doubleOut[c][i] - native.doubleOut[c][i]);
            const double df =
                std::fabs(static_cast<double>(windows.floatOut[c][i]) - native.floatOut[c][i]);
            largest = std::max({largest, dd, df});
            differing += (dd != 0.0) + (df != 0.0);
        }
    }
    EXPECT_LT(largest, 1e-6) << differing << " samples differ";
    // Differences, if any, come from exp/tan/pow/log10 of the two C libraries rounding their
    // last bit differently; report them so that a change in them is seen.
    if (differing != 0)
        std::printf("QUAR2.dll vs QUAR2.so: %zu of %zu samples differ, by at most %.3g (last-bit "
                    "differences of the C libraries' exp/tan/pow/log10)\n",
                    differing, static_cast<size_t>(4 * frames), largest);
    else
        std::printf("QUAR2.dll vs QUAR2.so: all %zu samples identical\n",
                    static_cast<size_t>(4 * frames));
}

TEST_F(BuiltPlugin, LevelsRandomSettingsAtCommonRatesBitForBitLikeTheLinuxBuild)
{
    ASSERT_STRNE(QUAR2_LINUX_AUDIO_PATH, "")
        << "no native build to compare with: configure with -DQUAR2_NATIVE_BUILD_DIR=...";
    FILE* f = std::fopen(RandomSettingsPath().c_str(), "rb");
    ASSERT_NE(f, nullptr) << RandomSettingsPath() << " is missing: the native tests write it";
    char magic[4] = {};
    std::vector<std::vector<float>> input;
    bool ok = std::fread(magic, 1, 4, f) == 4 && std::equal(magic, magic + 4, kRandomMagic) &&
              ReadAll(f, input, kRandomFrames);
    std::vector<CHostCallback> hosts(2 * kRandomCases);
    size_t used = 0;
    const auto make = [&](const RandomCase& c)
    { return BuiltPlugin::make(hosts[used++], "VSTPluginMain", c.rate, c.block); };
    int caseIndex = 0;
    for (const RandomCase& c : RandomCases())
    {
        std::vector<std::vector<float>> nativeFloat, floatOut;
        std::vector<std::vector<double>> nativeDouble, doubleOut;
        ok =
            ok && ReadAll(f, nativeFloat, kRandomFrames) && ReadAll(f, nativeDouble, kRandomFrames);
        if (!ok) break;
        RunCase(make, c, input, floatOut, doubleOut);
        std::string setting =
            "rate " + std::to_string(c.rate) + ", block " + std::to_string(c.block) + ", steps";
        for (int step : c.steps)
            setting += " " + std::to_string(step);
        EXPECT_EQ(floatOut, nativeFloat) << "case " << caseIndex << " (float): " << setting;
        EXPECT_EQ(doubleOut, nativeDouble) << "case " << caseIndex << " (double): " << setting;
        ++caseIndex;
    }
    std::fclose(f);
    EXPECT_TRUE(ok) << "unreadable " << RandomSettingsPath();
}
#endif
