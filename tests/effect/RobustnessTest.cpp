// What the audio path does with hostile input: NaN and infinite samples, decays into the
// subnormal range, and that it allocates nothing once running.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/effect/AllocationCounter.h"
#include "tests/support/LevellerDriver.h"

namespace
{

bool StatesFinite(const LevellerVariables& v)
{
    for (const BiquadSection* f : {&v.lowCutL, &v.lowCutR, &v.emphasis})
        if (!std::isfinite(f->x1) || !std::isfinite(f->x2) || !std::isfinite(f->y1) ||
            !std::isfinite(f->y2))
            return false;
    return std::isfinite(v.slowLevel) && std::isfinite(v.env1) && std::isfinite(v.env2) &&
           std::isfinite(v.env3);
}

bool Subnormal(double x)
{
    return std::fpclassify(x) == FP_SUBNORMAL;
}

} // namespace

TEST(LevellerRobustness, RecoversFromNonFiniteInput)
{
    const double bad[] = {std::numeric_limits<double>::quiet_NaN(),
                          std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity()};
    for (double poison : bad)
    {
        for (bool leftChannel : {true, false})
        {
            SCOPED_TRACE(testing::Message() << poison << (leftChannel ? " left" : " right"));
            // Every filter in use: low-cut in the audio path, emphasis in the detector.
            CLevellerDriver d(44100.0, 256);
            CLevellerDriver clean(44100.0, 256);
            for (CLevellerDriver* x : {&d, &clean})
            {
                x->SetSlider(3, 5);
                x->SetSlider(8, 6);
                x->SetSlider(6, 12);
                x->SetSlider(7, -8);
            }
            StereoBuffer in(256 * 200);
            for (size_t i = 0; i < in.Frames(); ++i)
            {
                in.left[i] = 0.3 * std::sin(0.031 * static_cast<double>(i));
                in.right[i] = 0.2 * std::sin(0.017 * static_cast<double>(i));
            }
            StereoBuffer poisoned = in;
            const size_t at = 256 * 10 + 17;
            (leftChannel ? poisoned.left : poisoned.right)[at] = poison;
            const StereoBuffer out = d.Run(poisoned, 256);
            const StereoBuffer ref = clean.Run(in, 256);
            // Right after the bad frame the state is usable again.
            EXPECT_TRUE(StatesFinite(d.vars()));
            // The bad sample itself comes out 64 frames later; every frame after that is
            // finite, and the effect converges back to the undisturbed one.
            for (size_t i = at + 65; i < out.Frames(); ++i)
            {
                ASSERT_TRUE(std::isfinite(out.left[i]) && std::isfinite(out.right[i])) << i;
            }
            const size_t last = out.Frames() - 1;
            EXPECT_NEAR(out.left[last], ref.left[last], 1e-9);
            EXPECT_NEAR(out.right[last], ref.right[last], 1e-9);
            EXPECT_NEAR(d.vars().gain, clean.vars().gain, 1e-9);
            EXPECT_GT(d.vars().gain, 0.0);
        }
    }
}

TEST(LevellerRobustness, DecaysNeverLeaveSubnormalState)
{
    // Exact digital silence with the dither forced to 0 (the generator can give 0 for a block):
    // every decaying value heads for 0 and would pass through the subnormal range; it must be
    // 0 instead once it gets there. The states start just above that range so the test is short.
    CLevellerDriver d(44100.0, 4096);
    d.SetSlider(3, 8);
    d.SetSlider(8, 10);
    d.SetSlider(7, 0);
    d.RunConstant(0.9, -0.7, 4096, 2);
    LevellerVariables& v = d.vars();
    v.slowLevel = 5e-300;
    v.env1 = 3e-300;
    v.env2 = 2e-300;
    v.env3 = 1e-300;
    for (BiquadSection* f : {&v.lowCutL, &v.lowCutR, &v.emphasis})
    {
        f->x1 = f->x2 = 0.0;
        f->y1 = 1e-300;
        f->y2 = -1e-300;
    }
    int frames = 0;
    bool reachedZero = false;
    for (int block = 0; block < 200 && !reachedZero; ++block)
    {
        d.effect.DoBlock();
        v.dither = 0.0;
        for (int i = 0; i < 4096; ++i, ++frames)
        {
            d.effect.samples[0] = 0.0;
            d.effect.samples[1] = 0.0;
            d.effect.DoSample();
            for (const BiquadSection* f : {&v.lowCutL, &v.lowCutR, &v.emphasis})
                ASSERT_FALSE(Subnormal(f->y1) || Subnormal(f->y2)) << frames;
            ASSERT_FALSE(Subnormal(v.slowLevel) || Subnormal(v.env1) || Subnormal(v.env2) ||
                         Subnormal(v.env3))
                << frames;
        }
        reachedZero = v.env3 == 0.0 && v.slowLevel == 0.0 && v.lowCutL.y1 == 0.0 &&
                      v.lowCutR.y1 == 0.0 && v.emphasis.y1 == 0.0;
    }
    EXPECT_TRUE(reachedZero) << "after " << frames << " frames";
    EXPECT_EQ(v.gain, v.targetLevel / v.kneeLevel);
}

TEST(LevellerRobustness, NoAllocationAfterTheFirstFrame)
{
    CLevellerDriver d(48000.0, 128);
    d.SetSlider(3, 3);
    d.SetSlider(8, 5);
    d.host.playing = true;
    StereoBuffer in(128);
    StereoBuffer out(128);
    for (size_t i = 0; i < in.Frames(); ++i)
    {
        in.left[i] = 0.5 * std::sin(0.1 * static_cast<double>(i));
        in.right[i] = in.left[i];
    }
    d.ProcessDouble(in.left.data(), in.right.data(), out.left.data(), out.right.data(), 128);

    StartCountingAllocations();
    // Long enough to wrap the history several times, switch mono on and off, and see the
    // low-cut run in both mono and stereo.
    int monoBlocks = 0;
    for (int block = 0; block < 8000; ++block)
    {
        if (block % 100 == 50)
            in.right.back() = in.right.back() == in.left.back() ? 0.9 : in.left.back();
        d.ProcessDouble(in.left.data(), in.right.data(), out.left.data(), out.right.data(), 128);
        monoBlocks += d.vars().mono != 0.0 ? 1 : 0;
    }
    EXPECT_EQ(StopCountingAllocations(), 0);
    EXPECT_EQ(d.host.latencyCalls, 1);
    EXPECT_GT(monoBlocks, 0);
    EXPECT_LT(monoBlocks, 8000);
}
