// The slider code: every table row, the coefficients derived from them, the routing flags, and
// what happens with values that match no row or an unusable sample rate / block size.

#include <gtest/gtest.h>

#include <cmath>

#include "tests/effect/FloatingPointTraps.h"
#include "tests/support/LevellerDriver.h"
#include "tests/effect/LevellerReference.h"

TEST(LevellerSliderCode, RecoveryRowsGiveReleaseTimeCoefficientAndTrim)
{
    CLevellerDriver d(44100.0, 512);
    const double times[] = {100, 10, 5, 1, 0.5, 0.25, 0.15, 0.1, 0.08, 0.06, 0.03};
    const double sr = Opaque(44100.0);
    for (int row = 0; row <= 10; ++row)
    {
        const double s7 = row - 10.0;
        SCOPED_TRACE(s7);
        d.SetSlider(7, s7);
        EXPECT_EQ(d.vars().recoveryTime, times[row]);
        EXPECT_EQ(d.vars().releaseCoef, std::exp(-1 / (Opaque(times[row]) * sr)));
        EXPECT_EQ(d.vars().slowReleaseTrim, row == 0 ? 0.00003 : 0.0);
    }
    d.SetSlider(7, -5.0);
    EXPECT_EQ(d.vars().releaseCoef, std::exp(-1 / Opaque(11025.0)));
    // Equality is within 0.00001: -5.000009 still selects the row, -4.5 selects none and keeps
    // the previous time.
    d.SetSlider(7, -1.0);
    d.SetRawSlider(7, -5.000009); // within the equality distance: no host value
    EXPECT_EQ(d.vars().recoveryTime, 0.25);
    d.SetRawSlider(7, -4.5); // between steps: no host value
    EXPECT_EQ(d.vars().recoveryTime, 0.25);
}

TEST(LevellerSliderCode, LowCutRowsGiveIdenticalCoefficientsForBothChannels)
{
    const double freqs[] = {20, 40, 60, 60, 60, 60, 60, 60};
    const double damps[] = {1.42, 1.42, 1.75, 2, 3, 4, 6, 8};
    for (double sr : {44100.0, 48000.0})
    {
        CLevellerDriver d(sr, 512);
        for (int row = 1; row <= 8; ++row)
        {
            SCOPED_TRACE(testing::Message() << sr << " Hz, row " << row);
            d.SetSlider(3, row);
            const double s[11] = {0, 0, 0, static_cast<double>(row), 0, 0, 0, -5, 0, 0, 10};
            const CLevellerReference ref(sr, s);
            const LevellerVariables& v = d.vars();
            EXPECT_EQ(v.lowCutFreq, freqs[row - 1]);
            EXPECT_EQ(v.lowCutDamping, damps[row - 1]);
            EXPECT_EQ(v.lowCutTan, ref.lcT);
            for (const BiquadSection* f : {&v.lowCutL, &v.lowCutR})
            {
                EXPECT_EQ(f->b0, ref.lb0);
                EXPECT_EQ(f->b1, ref.lb1);
                EXPECT_EQ(f->b2, ref.lb2);
                EXPECT_EQ(f->a1, ref.la1);
                EXPECT_EQ(f->a2, ref.la2);
            }
        }
        // Row 8 at 48 kHz: t = tan(188.49555921538757 / 48000).
        if (sr == 48000.0)
        {
            EXPECT_EQ(d.vars().lowCutTan, std::tan(188.49555921538757 / Opaque(48000.0)));
        }
        // Setting 0 matches no row: frequency and damping stay, the coefficients are still
        // recomputed from them, and the filter is routed nowhere.
        d.SetSlider(3, 0);
        EXPECT_EQ(d.vars().lowCutFreq, 60.0);
        EXPECT_EQ(d.vars().lowCutDamping, 8.0);
        EXPECT_EQ(d.vars().lowCutInMain, 0.0);
        EXPECT_EQ(d.vars().lowCutInSideChain, 0.0);
    }
}

TEST(LevellerSliderCode, AttackRowsAndEmphasisAmount)
{
    CLevellerDriver d(44100.0, 512);
    const double times[] = {0, 0.00025, 0.0005, 0.001, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1};
    const double sr = Opaque(44100.0);
    for (int row = 0; row <= 11; ++row)
    {
        SCOPED_TRACE(row);
        d.SetSlider(4, row);
        EXPECT_EQ(d.vars().attackTime, times[row]);
        EXPECT_EQ(d.vars().attackCoef, std::exp(-1 / (sr * Opaque(times[row]))));
        EXPECT_EQ(d.vars().emphasisAmount, std::fmin(10, 2000 * Opaque(times[row])));
    }
    // "Zero": the coefficient is exactly +0 (follows rising levels at once), also in a thread
    // whose host unmasked the division-by-zero trap.
    {
        CFloatingPointTraps traps(CFloatingPointTraps::kDivideByZero);
        d.SetSlider(4, 0);
    }
    EXPECT_EQ(d.vars().attackCoef, 0.0);
    EXPECT_FALSE(std::signbit(d.vars().attackCoef));
    EXPECT_EQ(d.vars().emphasisAmount, 0.0);
    // Emphasis 10 with attack Zero: 3.16 * 1^0.65.
    d.SetSlider(8, 10);
    EXPECT_EQ(d.vars().emphasisAmount, 3.16);
    // Attack "1sec" or "5ms" with emphasis 0: limited to 10.
    d.SetSlider(8, 0);
    d.SetSlider(4, 11);
    EXPECT_EQ(d.vars().emphasisAmount, 10.0);
    d.SetSlider(4, 4);
    EXPECT_EQ(d.vars().emphasisAmount, 10.0);
    // Emphasis 3 with attack 250us: 3.16 * 0.3^0.65 + 0.5.
    d.SetSlider(8, 3);
    d.SetSlider(4, 1);
    EXPECT_EQ(d.vars().emphasisBase, 3.16 * std::pow(0.1 * Opaque(3), 0.65));
    EXPECT_EQ(d.vars().emphasisAmount, d.vars().emphasisBase + 2000 * 0.00025);
    // 7.5 matches no row: the attack stays.
    d.SetRawSlider(4, 7.5); // between steps: no host value
    EXPECT_EQ(d.vars().attackTime, 0.00025);
}

TEST(LevellerSliderCode, LevelsOutputGainAndHistorySpan)
{
    CLevellerDriver d(44100.0, 512);
    d.SetSlider(5, -10);
    d.SetSlider(6, 10);
    d.SetSlider(9, 6);
    EXPECT_EQ(d.vars().targetLevel, std::pow(10, Opaque(-0.5)));
    EXPECT_EQ(d.vars().kneeLevel, std::pow(10, Opaque(-1.0)));
    EXPECT_EQ(d.vars().outputGain, std::pow(10, Opaque(6.0) / 20));
    EXPECT_EQ(d.vars().displaySpeed, 10.0);
    EXPECT_EQ(d.vars().historySpan, 441000.0);
    EXPECT_EQ(d.vars().historyStep, 441000.0 / Opaque(512.0) / 360.0);
    d.SetSlider(10, 2.5);
    EXPECT_EQ(d.vars().historySpan, 2.5 * 44100.0);
    // The slider hook hands the editor its copies; the slider code resets the meters.
    EXPECT_EQ(d.vars().sliderCopy10, 2.5);
    EXPECT_EQ(d.vars().sliderCopy5, -10.0);
    EXPECT_EQ(d.vars().sliderCopy7, -5.0);
    d.vars().maxGainDb = 4;
    d.vars().maxAttenuationDb = -3;
    d.effect.RunSliderCode();
    EXPECT_EQ(d.vars().maxGainDb, 0.0);
    EXPECT_EQ(d.vars().maxAttenuationDb, 0.0);
}

TEST(LevellerSliderCode, RoutingFlags)
{
    CLevellerDriver d;
    struct Case
    {
        double s3, s2, side, main;
    };
    const Case cases[] = {{0, 0, 0, 0}, {0, 1, 0, 0}, {4, 1, 1, 0},       {4, 0, 0, 1},
                          {8, 1, 1, 0}, {1, 0, 0, 1}, {4, 0.000009, 0, 1}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "s3 " << c.s3 << " s2 " << c.s2);
        d.SetRawSlider(2, c.s2); // 0.000009 lies between steps: no host value
        d.SetSlider(3, c.s3);
        EXPECT_EQ(d.vars().lowCutInSideChain, c.side);
        EXPECT_EQ(d.vars().lowCutInMain, c.main);
        EXPECT_EQ(d.vars().sideChainSetting, c.s2);
        EXPECT_EQ(d.vars().lowCutSetting, c.s3);
    }
}

TEST(LevellerSliderCode, UnusableSampleRateKeepsThePreviousCoefficients)
{
    CLevellerDriver d(48000.0, 512);
    d.SetSlider(3, 5);
    d.SetSlider(4, 3);
    const LevellerVariables before = d.vars();

    // The host now answers 0 (or there is no host at all): a resume must not turn the
    // coefficients into infinity or NaN; it keeps the 48 kHz set-up.
    for (double bad : {0.0, -44100.0, std::nan(""), 1e30})
    {
        SCOPED_TRACE(bad);
        d.host.sampleRate = bad;
        d.Resume();
        const LevellerVariables& v = d.vars();
        EXPECT_EQ(v.smooth20ms, before.smooth20ms);
        EXPECT_EQ(v.smooth200ms, before.smooth200ms);
        EXPECT_EQ(v.releaseScale, before.releaseScale);
        EXPECT_EQ(v.releaseCoef, before.releaseCoef);
        EXPECT_EQ(v.attackCoef, before.attackCoef);
        EXPECT_EQ(v.lowCutL.b0, before.lowCutL.b0);
        EXPECT_EQ(v.lowCutR.a2, before.lowCutR.a2);
        EXPECT_EQ(v.emphasis.a1, before.emphasis.a1);
        EXPECT_EQ(v.delayBaseR, 48000.0);
        EXPECT_EQ(v.historyBase, 96001.0);
        EXPECT_EQ(v.historySpan, before.historySpan);
        EXPECT_EQ(v.historyStep, before.historyStep);
    }
    // It keeps processing finite audio.
    double l = 0, r = 0;
    d.RunConstant(0.25, -0.25, 128, 3, &l, &r);
    EXPECT_TRUE(std::isfinite(l) && std::isfinite(r));
    EXPECT_NE(l, 0.0);

    // A usable rate again: everything follows it.
    d.host.sampleRate = 44100.0;
    d.Resume();
    EXPECT_EQ(d.vars().delayBaseR, 44100.0);
    EXPECT_EQ(d.vars().smooth20ms, std::exp(-1 / (0.02 * Opaque(44100.0))));
}

TEST(LevellerSliderCode, NoHostAtAllStillProcessesSafely)
{
    // Never a usable rate: all rate-dependent values stay 0 from open. The effect must still
    // run without hanging, without non-finite output and inside its memory.
    CLevellerDriver d(0.0, 0, false);
    d.effect.adapter = nullptr;
    d.Open();
    d.Resume();
    EXPECT_EQ(d.vars().sampleRate, 0.0);
    EXPECT_EQ(d.vars().smooth20ms, 0.0);
    EXPECT_EQ(d.vars().historyStep, 0.0);
    StereoBuffer in(300);
    for (size_t i = 0; i < in.Frames(); ++i)
    {
        in.left[i] = std::sin(0.05 * static_cast<double>(i));
        in.right[i] = 0.5 * in.left[i];
    }
    const StereoBuffer out = d.Run(in, 100);
    for (size_t i = 0; i < out.Frames(); ++i)
        ASSERT_TRUE(std::isfinite(out.left[i]) && std::isfinite(out.right[i])) << i;
    EXPECT_EQ(d.vars().historyReady, 0.0);
}
