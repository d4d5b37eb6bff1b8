// QUAR2.so and QUAR2.dll must level the same audio to the same samples. The native test program
// processes a fixed speech-like signal with fixed settings and writes input and output to a
// file in the native build folder; the Windows test program (run later under Wine, see
// `make test`) feeds the file's input to QUAR2.dll and compares.
//
// Where the two may differ: the effect's own arithmetic is the same IEEE double arithmetic on
// both, and its dither comes from its own random sequence, not the C library's rand; but exp,
// tan, pow and log10 come from each platform's C library (glibc, msvcrt/mingw-w64), whose
// results may differ in the last bit. Those differences stay many orders of magnitude below
// the 1e-6 allowed here.

#include "tests/plugin/BuiltPlugin.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

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
#endif
