// The sample hook: look-ahead delay, detector, follower chain, gain law and mono handling, and a
// bit-for-bit comparison with an independent evaluation of the formulas.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>
#include <vector>

#include "tests/effect/FloatingPointTraps.h"
#include "tests/support/LevellerDriver.h"
#include "tests/effect/LevellerReference.h"

namespace
{

// Deterministic noise in -1..1 (no dependence on the C library).
class CNoise
{
  public:
    explicit CNoise(uint32_t seed) : state(seed) {}
    double Next()
    {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
    }

  private:
    uint32_t state;
};

// Stereo test material: noise bursts at different levels, a stretch of identical channels long
// enough to switch mono on, and exact silence.
StereoBuffer MakeMaterial(size_t frames, uint32_t seed)
{
    CNoise noise(seed);
    StereoBuffer b(frames);
    for (size_t i = 0; i < frames; ++i)
    {
        const double envelope = (i / 1500) % 3 == 0 ? 0.8 : ((i / 1500) % 3 == 1 ? 0.01 : 0.2);
        const double l = envelope * noise.Next();
        const bool identical = i >= frames / 2 && i < frames / 2 + 6000;
        const bool silent = i >= frames - 800;
        b.left[i] = silent ? 0.0 : l;
        b.right[i] = silent ? 0.0 : (identical ? l : 0.6 * l + 0.3 * envelope * noise.Next());
    }
    return b;
}

struct Config
{
    double sampleRate;
    double sliders[11];
};

} // namespace

TEST(LevellerSampleLoop, ImpulseComesOut64FramesLaterTimesTheGain)
{
    CLevellerDriver d(44100.0, 512);
    d.SetSlider(9, 6); // output gain 10^(6/20)
    const double outputGain = d.vars().outputGain;
    // One call of 100 frames through the plug-in's frame loop, keeping each frame's gain and the
    // block's dither.
    std::vector<double> inL(100, 0.0), inR(100, 0.0), outL(100), outR(100), gains(100);
    inL[0] = 1.0;
    double dither = 0.0;
    d.Process(inL.data(), inR.data(), outL.data(), outR.data(), 100,
              [&](int32_t i)
              {
                  gains[static_cast<size_t>(i)] = d.vars().gain;
                  if (i == 0) dither = d.vars().dither;
              });
    // The first 64 frames are the delay lines' initial zeros.
    for (int i = 0; i < 64; ++i)
    {
        EXPECT_EQ(outL[i], 0.0) << i;
        EXPECT_EQ(outR[i], 0.0) << i;
    }
    EXPECT_EQ(outL[64], gains[64] * (1.0 + dither) * outputGain);
    EXPECT_EQ(outR[64], gains[64] * (0.0 + dither) * outputGain);
    EXPECT_EQ(outL[65], gains[65] * dither * outputGain);
    EXPECT_GT(outL[64], 0.0);
    EXPECT_EQ(d.vars().lastGain, gains.back());
}

TEST(LevellerSampleLoop, GainLawAtSteadyLevelAndAtSilence)
{
    // Push Down 0, Pull Up 0, attack Zero, constant 0.5: every stage settles at 0.5 (plus the
    // 1e-15 dither) and the gain at 1 / 1.5.
    CLevellerDriver steady(44100.0, 512);
    steady.RunConstant(0.5, 0.5, 512, 40);
    const LevellerVariables& v = steady.vars();
    EXPECT_NEAR(v.env1, 0.5, 1e-14);
    EXPECT_NEAR(v.env2, 0.5, 1e-14);
    EXPECT_NEAR(v.env3, 0.5, 1e-14);
    EXPECT_NEAR(v.gain, 1.0 / 1.5, 1e-14);
    EXPECT_EQ(v.gain, v.targetLevel / (v.env3 + v.kneeLevel));

    // Pull Up 12 over silence: the gain tends to 10^(12/20).
    CLevellerDriver quiet(44100.0, 512);
    quiet.SetSlider(6, 12);
    quiet.RunConstant(0.0, 0.0, 512, 20);
    EXPECT_NEAR(quiet.vars().gain, std::pow(10.0, 12.0 / 20.0), 1e-12);
    // Push Down -10 with a level far above the knee: output level approaches 10^(-10/20).
    CLevellerDriver loud(44100.0, 512);
    loud.SetSlider(5, -10);
    loud.SetSlider(6, 30);
    double outL = 0;
    loud.RunConstant(0.9, 0.9, 512, 40, &outL);
    EXPECT_NEAR(outL, std::pow(10.0, -0.5) * 0.9 / (0.9 + std::pow(10.0, -2.0)), 1e-12);
}

TEST(LevellerSampleLoop, DetectorTakesTheLouderChannelWithItsSign)
{
    CLevellerDriver d(44100.0, 512);
    d.effect.DoBlock();
    d.effect.samples[0] = -0.8;
    d.effect.samples[1] = 0.5;
    d.effect.DoSample();
    EXPECT_EQ(d.vars().sideChain, -0.8 + d.vars().dither);
    EXPECT_EQ(d.vars().level, 0.8 - d.vars().dither);
    // Attack Zero: the follower jumps to the level at once.
    EXPECT_EQ(d.vars().env1, d.vars().level);
    // A tie goes to the left.
    d.effect.samples[0] = 0.3;
    d.effect.samples[1] = -0.3;
    d.effect.DoSample();
    EXPECT_EQ(d.vars().sideChain, 0.3 + d.vars().dither);
}

TEST(LevellerSampleLoop, MonoAfter33BlocksLetsTheRightChannelFollowTheLeft)
{
    CLevellerDriver d(44100.0, 64);
    d.SetSlider(3, 4); // low-cut in the audio path
    for (int block = 1; block <= 32; ++block)
    {
        d.RunConstant(0.1, 0.1, 64, 1);
        ASSERT_EQ(d.vars().mono, 0.0) << block;
    }
    d.RunConstant(0.1, 0.1, 64, 1);
    EXPECT_EQ(d.vars().mono, 1.0);
    EXPECT_EQ(d.vars().monoCount, 0.0);

    // Still mono for this block even though the right channel now differs: the right output is
    // the (delayed) filtered left channel and the right filter does not move.
    const BiquadSection rightBefore = d.vars().lowCutR;
    StereoBuffer in(200);
    for (size_t i = 0; i < in.Frames(); ++i)
    {
        in.left[i] = 0.2 * std::sin(0.01 * static_cast<double>(i));
        in.right[i] = -0.7;
    }
    const StereoBuffer out = d.Run(in, 200);
    for (size_t i = 64; i < out.Frames(); ++i)
        ASSERT_EQ(out.right[i], out.left[i]) << i;
    EXPECT_EQ(d.vars().lowCutR.y1, rightBefore.y1);
    EXPECT_EQ(d.vars().lowCutR.x1, rightBefore.x1);
    // The next block sees different channels and leaves mono.
    d.RunConstant(0.1, 0.2, 64, 1);
    EXPECT_EQ(d.vars().mono, 0.0);
    EXPECT_EQ(d.vars().monoCount, 0.0);
}

TEST(LevellerSampleLoop, MatchesTheFormulasBitForBit)
{
    const Config configs[] = {
        {44100.0, {0, 0, 0, 0, 0, 0, 0, -5, 0, 0, 10}},     // defaults
        {48000.0, {0, 0, 0, 4, 3, -12, 15, -10, 0, 6, 10}}, // low-cut in the audio path
        {44100.0, {0, 0, 1, 8, 11, -3, 30, 0, 5, -6, 2}},   // low-cut in the side chain
        {96000.0, {0, 0, 0, 1, 1, -30, 8, -7, 10, 20, 10}}, // emphasis, 20 Hz low-cut
        {22050.0, {0, 0, 1, 6, 7, -20, 20, -2, 3, 0, 1}},
    };
    const int32_t blockPattern[] = {16, 0, 37, 64, 1, 16, 512, 5};
    int configIndex = 0;
    for (const Config& c : configs)
    {
        for (bool floatBridge : {false, true})
        {
            SCOPED_TRACE(testing::Message()
                         << "config " << configIndex << (floatBridge ? " float" : " double"));
            CLevellerDriver d(c.sampleRate, 512);
            for (int k = 2; k <= 10; ++k)
                d.SetSlider(k, c.sliders[k]);
            CLevellerReference ref(c.sampleRate, c.sliders);
            ASSERT_EQ(d.vars().releaseCoef, ref.releaseCoef);
            ASSERT_EQ(d.vars().attackCoef, ref.attackCoef);
            ASSERT_EQ(d.vars().emphasisAmount, ref.emphasisAmount);

            StereoBuffer in = MakeMaterial(30000, 7u + static_cast<uint32_t>(configIndex));
            if (floatBridge)
            {
                for (size_t i = 0; i < in.Frames(); ++i)
                {
                    in.left[i] = static_cast<float>(in.left[i]);
                    in.right[i] = static_cast<float>(in.right[i]);
                }
            }
            std::vector<float> fl(in.Frames()), fr(in.Frames());
            std::vector<double> dl(in.Frames()), dr(in.Frames());
            std::vector<float> inFL(in.left.begin(), in.left.end());
            std::vector<float> inFR(in.right.begin(), in.right.end());
            size_t at = 0, mismatches = 0, firstMismatch = 0;
            bool sawMono = false;
            for (size_t b = 0; at < in.Frames(); ++b)
            {
                const size_t n =
                    std::min<size_t>(static_cast<size_t>(blockPattern[b % 8]), in.Frames() - at);
                if (floatBridge)
                    d.ProcessFloat(&inFL[at], &inFR[at], &fl[at], &fr[at], static_cast<int32_t>(n));
                else
                    d.ProcessDouble(&in.left[at], &in.right[at], &dl[at], &dr[at],
                                    static_cast<int32_t>(n));
                ref.BeginBlock(d.vars().dither);
                ASSERT_EQ(d.vars().mono != 0.0, ref.mono) << "block " << b;
                sawMono = sawMono || ref.mono;
                for (size_t i = at; i < at + n; ++i)
                {
                    double rl = 0, rr = 0;
                    ref.Frame(in.left[i], in.right[i], rl, rr);
                    const bool same = floatBridge ? (fl[i] == static_cast<float>(rl) &&
                                                     fr[i] == static_cast<float>(rr))
                                                  : (dl[i] == rl && dr[i] == rr);
                    if (!same && mismatches++ == 0) firstMismatch = i;
                }
                at += n;
            }
            EXPECT_EQ(mismatches, 0u) << "first at frame " << firstMismatch;
            EXPECT_EQ(d.vars().gain, ref.gain);
            EXPECT_TRUE(sawMono);
        }
        ++configIndex;
    }
}

// The bridge hands whole stereo blocks to DoSamples, which the leveller runs as one loop over
// the block. It must leave exactly what DoSample frame by frame leaves (the runtime's default
// DoSamples): the same output bits and the same script variables after every block, for both
// sample formats, every routing, mono switching, slider changes between blocks, non-finite and
// subnormal input, delay lines that overlap (a tiny rate) or cross a memory page (the block
// loop then falls back to the frames), and fractional sample rates.
TEST(LevellerSampleLoop, BlockLoopLeavesExactlyWhatTheFramesLeave)
{
    const double rates[] = {48000.0, 44100.0f + 0.1f, 96000.0, 65500.0, 32.0, 10.5};
    const double rows[][11] = {
        {0, 0, 0, 0, 0, 0, 0, -5, 0, 0, 10},   {0, 0, 0, 4, 3, -12, 15, -10, 0, 6, 10},
        {0, 0, 1, 8, 11, -3, 30, 0, 5, -6, 2}, {0, 0, 0, 1, 1, -30, 8, -7, 10, 20, 10},
        {0, 0, 1, 6, 7, -20, 20, -2, 3, 0, 1}, {0, 0, 0, 8, 0, 0, 12, -1, 0, 0, 5},
    };
    const int32_t blockPattern[] = {16, 0, 37, 64, 1, 512, 5, 300};
    CNoise pick(99);
    for (double rate : rates)
    {
        for (bool floatBridge : {false, true})
        {
            SCOPED_TRACE(testing::Message() << rate << (floatBridge ? " float" : " double"));
            CLevellerDriver frames(rate, 512);
            CLevellerDriver block(rate, 512);
            StereoBuffer in = MakeMaterial(20000, 3u);
            // Poison and a subnormal stretch in the middle of the material.
            in.left[4001] = std::nan("");
            in.right[7003] = INFINITY;
            for (size_t i = 9000; i < 11000; ++i)
            {
                in.left[i] = 3e-310 * ((i % 7) - 3.0);
                in.right[i] = floatBridge ? 0.0 : -2e-310;
            }
            std::vector<float> inFL(in.left.begin(), in.left.end());
            std::vector<float> inFR(in.right.begin(), in.right.end());
            std::vector<float> fa(2 * 512), fb(2 * 512);
            std::vector<double> da(2 * 512), db(2 * 512);
            size_t at = 0;
            bool sawMono = false;
            for (size_t b = 0; at < in.Frames(); ++b)
            {
                if (b % 9 == 4)
                {
                    // A slider change between blocks, the same on both.
                    const double* row = rows[static_cast<size_t>((pick.Next() + 1.0) * 2.99)];
                    const int32_t number = 2 + static_cast<int32_t>((pick.Next() + 1.0) * 4.49);
                    frames.SetSlider(number, row[number]);
                    block.SetSlider(number, row[number]);
                }
                const int32_t n = static_cast<int32_t>(
                    std::min<size_t>(static_cast<size_t>(blockPattern[b % 8]), in.Frames() - at));
                frames.effect.DoBlock();
                block.effect.DoBlock();
                if (floatBridge)
                {
                    frames.effect.TXlat::DoSamples(&inFL[at], &inFR[at], &fa[0], &fa[512], n);
                    block.effect.DoSamples(&inFL[at], &inFR[at], &fb[0], &fb[512], n);
                    ASSERT_EQ(std::memcmp(fa.data(), fb.data(), fa.size() * sizeof(float)), 0)
                        << "block " << b;
                }
                else
                {
                    frames.effect.TXlat::DoSamples(&in.left[at], &in.right[at], &da[0], &da[512],
                                                   n);
                    block.effect.DoSamples(&in.left[at], &in.right[at], &db[0], &db[512], n);
                    ASSERT_EQ(std::memcmp(da.data(), db.data(), da.size() * sizeof(double)), 0)
                        << "block " << b;
                }
                ASSERT_EQ(
                    std::memcmp(&frames.effect.vars, &block.effect.vars, sizeof(LevellerVariables)),
                    0)
                    << "block " << b;
                ASSERT_EQ(std::memcmp(frames.effect.samples.data(), block.effect.samples.data(),
                                      2 * sizeof(double)),
                          0)
                    << "block " << b;
                sawMono = sawMono || block.vars().mono != 0.0;
                at += static_cast<size_t>(n);
            }
            // The material drove the loop through mono.
            EXPECT_TRUE(sawMono);
        }
    }
}

namespace
{

// Where a test puts the host's four buffers inside one array of 4 * 512 + 2 samples.
enum class Buffers
{
    kSeparate, // inputs and outputs apart
    kInPlace,  // each output over its own input
    kSwapped,  // the left output over the right input and the other way round
    kShifted   // each output one sample before its input: later inputs change as outputs go
};

template <typename Sample> struct BufferLayout
{
    Sample* in0;
    Sample* in1;
    Sample* out0;
    Sample* out1;

    BufferLayout(Buffers kind, Sample* b)
    {
        switch (kind)
        {
        case Buffers::kSeparate:
            in0 = b, in1 = b + 512, out0 = b + 1024, out1 = b + 1536;
            break;
        case Buffers::kInPlace:
            in0 = out0 = b, in1 = out1 = b + 512;
            break;
        case Buffers::kSwapped:
            in0 = out1 = b, in1 = out0 = b + 512;
            break;
        case Buffers::kShifted:
            in0 = b + 1, out0 = b, in1 = b + 1024, out1 = b + 1023;
            break;
        }
    }
};

// One leveller through the block loop, one through DoSample frame by frame (the runtime's
// DoSamples), with the same buffer layout; after every block both arrays and all script
// variables must be the same bits. Notes whether the frame-by-frame run had settled the
// followers to zero at some block end and whether an output was held at the format's largest
// value.
template <typename Sample>
void CompareOverRepeatedRuns(double rate, Buffers kind, const double (&sliders)[11],
                             bool& sawSettled, bool& sawLargest)
{
    CLevellerDriver frames(rate, 512);
    CLevellerDriver block(rate, 512);
    for (int32_t number = 2; number <= 9; ++number)
    {
        frames.SetSlider(number, sliders[number]);
        block.SetSlider(number, sliders[number]);
    }
    constexpr bool isFloat = std::is_same_v<Sample, float>;
    constexpr Sample loud = isFloat ? Sample(3e38) : Sample(1.7e308);
    std::vector<Sample> a(4 * 512 + 2), b(4 * 512 + 2);
    const BufferLayout<Sample> fa(kind, a.data()), fb(kind, b.data());
    CNoise noise(7u);
    const int32_t blockPattern[] = {512, 300, 77, 512, 256, 511, 1, 400};
    int32_t at = 0;
    for (size_t n = 0; at < 14000; ++n)
    {
        const int32_t frameCount = blockPattern[n % 8];
        // For a while an output gain that only a restored chunk can hold: outputs beyond the
        // format's range.
        const bool huge = at >= 10000 && at < 10800;
        if (huge != (frames.effect.sliders[9] != sliders[9]))
        {
            const double output = huge ? (isFloat ? 780.0 : 6170.0) : sliders[9];
            frames.SetSlider(9, output);
            block.SetSlider(9, output);
        }
        frames.effect.DoBlock();
        block.effect.DoBlock();
        ASSERT_EQ(frames.vars().dither, block.vars().dither);
        for (int32_t i = 0; i < frameCount; ++i)
        {
            const int32_t g = at + i;
            // Exact silence after the dither offset (in double precision), short enough for
            // env1..env3 to sink below the normal range and come back within one run, then
            // long enough for all four followers to be settled at block ends.
            const bool silent = (g >= 2000 && g < 2240) || (g >= 4000 && g < 9500);
            Sample l = static_cast<Sample>(0.3 * noise.Next());
            Sample r = static_cast<Sample>(0.2 * noise.Next());
            if (silent) l = r = static_cast<Sample>(-frames.vars().dither);
            if (g >= 10300 && g < 10304) l = (g % 2 ? loud : -loud);
            if (g == 11001) l = std::numeric_limits<Sample>::quiet_NaN();
            if (g == 12003) r = std::numeric_limits<Sample>::infinity();
            fa.in0[i] = fb.in0[i] = l;
            fa.in1[i] = fb.in1[i] = r;
        }
        frames.effect.TXlat::DoSamples(fa.in0, fa.in1, fa.out0, fa.out1, frameCount);
        block.effect.DoSamples(fb.in0, fb.in1, fb.out0, fb.out1, frameCount);
        ASSERT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(Sample)), 0)
            << "block " << n << " ending at frame " << at + frameCount;
        ASSERT_EQ(std::memcmp(&frames.effect.vars, &block.effect.vars, sizeof(LevellerVariables)),
                  0)
            << "block " << n << " ending at frame " << at + frameCount;
        ASSERT_EQ(std::memcmp(frames.effect.samples.data(), block.effect.samples.data(),
                              2 * sizeof(double)),
                  0)
            << "block " << n;
        sawSettled =
            sawSettled || (at > 0 && frames.vars().env1 == 0.0 && frames.vars().slowLevel == 0.0);
        for (int32_t i = 0; i < frameCount; ++i)
            sawLargest = sawLargest || std::fabs(fa.out0[i]) == std::numeric_limits<Sample>::max();
        at += frameCount;
    }
}

} // namespace

// The block loop runs a block in parts without settling the followers after every frame and
// repeats, settled frame by frame, every part in which that would have made a difference: a
// follower below the normal range (exact silence at a low rate with the shortest recovery
// sinks env1..env3 there within a few hundred frames), an output the format cannot hold, NaN
// and infinity. Repeating a part must read the inputs it had the first time, also when the
// host writes the outputs over them. Every result is compared with DoSample frame by frame.
TEST(LevellerSampleLoop, RepeatedRunsLeaveExactlyWhatTheFramesLeave)
{
    // Recovery 0.03 s, Pull Up 30 dB, Output +20 dB; then also the side-chain low-cut and
    // the emphasis.
    const double plain[11] = {0, 0, 0, 0, 0, 0, 30, 0, 0, 20, 10};
    const double filtered[11] = {0, 0, 1, 4, 0, -6, 30, 0, 6, 20, 10};
    for (double rate : {10.5, 32.0})
        for (Buffers kind :
             {Buffers::kSeparate, Buffers::kInPlace, Buffers::kSwapped, Buffers::kShifted})
            for (const double(*sliders)[11] : {&plain, &filtered})
            {
                SCOPED_TRACE(testing::Message() << rate << " Hz, layout " << static_cast<int>(kind)
                                                << (sliders == &plain ? ", plain" : ", filtered"));
                bool settledD = false, largestD = false, settledF = false, largestF = false;
                CompareOverRepeatedRuns<double>(rate, kind, *sliders, settledD, largestD);
                CompareOverRepeatedRuns<float>(rate, kind, *sliders, settledF, largestF);
                // The material reached what it is there for. (At these rates the side-chain
                // low-cut is unstable and keeps the gain tiny.)
                if (sliders == &plain)
                {
                    EXPECT_TRUE(settledD);
                    EXPECT_TRUE(largestF);
                }
            }
    // A host that unmasked the overflow trap: a float output beyond the range must then never
    // be narrowed, not even in a part that is run again.
    for (double rate : {10.5, 32.0})
    {
        SCOPED_TRACE(testing::Message() << rate << " Hz, overflow traps");
        CFloatingPointTraps traps(CFloatingPointTraps::kOverflow);
        bool settled = false, largest = false;
        CompareOverRepeatedRuns<float>(rate, Buffers::kInPlace, plain, settled, largest);
        EXPECT_TRUE(largest);
    }
}
