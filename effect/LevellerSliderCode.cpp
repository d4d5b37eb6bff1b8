// The slider code of the leveller: from the nine slider values to the numbers the sample loop
// works with. It only computes coefficients; no filter or follower state is touched.

#include <cmath>

#include "effect/OnePole.h"
#include "effect/XlatEffect.h"

namespace
{

constexpr double kPi = 3.141592653589793;

// Recovery slider (7) -> release time in seconds.
struct RecoveryRow
{
    double setting;
    double seconds;
};
const RecoveryRow kRecoveryTable[] = {
    {-10, 100}, {-9, 10},  {-8, 5},    {-7, 1},    {-6, 0.5}, {-5, 0.25},
    {-4, 0.15}, {-3, 0.1}, {-2, 0.08}, {-1, 0.06}, {0, 0.03},
};

// LF Filter slider (3) -> characteristic frequency and damping of the low-cut. From row 3 on
// the frequency stays at 60 Hz and only the damping grows, which moves the audible corner up
// towards the step's name ("80Hz" .. "500Hz").
struct LowCutRow
{
    double setting;
    double frequency;
    double damping;
};
const LowCutRow kLowCutTable[] = {
    {1, 20, 1.42}, {2, 40, 1.42}, {3, 60, 1.75}, {4, 60, 2},
    {5, 60, 3},    {6, 60, 4},    {7, 60, 6},    {8, 60, 8},
};

// Attack Mode slider (4) -> attack time in seconds.
struct AttackRow
{
    double setting;
    double seconds;
};
const AttackRow kAttackTable[] = {
    {0, 0},    {1, 0.00025}, {2, 0.0005}, {3, 0.001}, {4, 0.005}, {5, 0.01},
    {6, 0.02}, {7, 0.05},    {8, 0.1},    {9, 0.2},   {10, 0.5},  {11, 1},
};

} // namespace

void TXlatEffect::DoSlider()
{
    RefreshHostValues();
    LevellerVariables& v = vars;
    v.sliderCopy2 = sliders[2];
    v.sliderCopy3 = sliders[3];
    v.sliderCopy4 = sliders[4];
    v.sliderCopy5 = sliders[5];
    v.sliderCopy6 = sliders[6];
    v.sliderCopy7 = sliders[7];
    v.sliderCopy8 = sliders[8];
    v.sliderCopy9 = sliders[9];
    v.sliderCopy10 = sliders[10];
    RunSliderCodeUntilCurrent();
}

void TXlatEffect::RunSliderCodeUntilCurrent()
{
    // Enough for any real overlap of two writers; a host writing without pause cannot keep this
    // thread here.
    constexpr int kMaxRuns = 4;
    for (int run = 0; run < kMaxRuns; ++run)
    {
        const uint32_t changesBefore = SliderChangeCount();
        RunSliderCode();
        if (SliderChangeCount() == changesBefore) return;
    }
}

void TXlatEffect::RunSliderCode()
{
    LevellerVariables& v = vars;
    const double s2 = sliders[2];
    const double s3 = sliders[3];
    const double s4 = sliders[4];
    const double s5 = sliders[5];
    const double s6 = sliders[6];
    const double s7 = sliders[7];
    const double s8 = sliders[8];
    const double s9 = sliders[9];
    const double s10 = sliders[10];
    // With an unusable sample rate every rate-dependent value keeps its previous value (see
    // DoInit); the table lookups and level conversions still run.
    const bool rateUsable = SampleRateUsable();
    const double sr = v.sampleRate;

    v.maxAttenuationDb = 0.0;
    v.maxGainDb = 0.0;

    // Gain law: levels far above kneeLevel come out at targetLevel; silence gets
    // targetLevel / kneeLevel = the Pull Up boost.
    v.targetLevel = std::pow(10.0, s5 / 20.0);
    v.kneeLevel = std::pow(10.0, (s5 - s6) / 20.0);

    // A value that matches no row keeps the previous time (0 right after open).
    for (const RecoveryRow& row : kRecoveryTable)
        if (ScriptEqual(s7, row.setting)) v.recoveryTime = row.seconds;
    if (rateUsable) v.releaseCoef = OnePoleCoefficient(v.recoveryTime * sr);
    v.slowReleaseTrim = ScriptEqual(v.recoveryTime, 100.0) ? 0.00003 : 0.0;

    v.outputGain = std::pow(10.0, s9 / 20.0);

    // Low-cut: recomputed on every run, also while it is off; setting 0 matches no row.
    v.lowCutSetting = s3;
    for (const LowCutRow& row : kLowCutTable)
    {
        if (ScriptEqual(v.lowCutSetting, row.setting))
        {
            v.lowCutFreq = row.frequency;
            v.lowCutDamping = row.damping;
        }
    }
    if (rateUsable)
    {
        v.lowCutTan = std::tan(kPi * v.lowCutFreq / sr);
        v.lowCutL.SetHighPass(v.lowCutDamping, v.lowCutTan);
        v.lowCutR.SetHighPass(v.lowCutDamping, v.lowCutTan);
    }

    for (const AttackRow& row : kAttackTable)
        if (ScriptEqual(s4, row.setting)) v.attackTime = row.seconds;
    // The "Zero" attack gives a coefficient of exactly 0 (see OnePoleCoefficient).
    if (rateUsable) v.attackCoef = OnePoleCoefficient(sr * v.attackTime);

    // A longer attack lets more of the emphasis through. For a negative setting (only a
    // restored chunk can hold one) the power is NaN; the limit then gives the maximum, 10.
    v.emphasisBase = 3.16 * std::pow(0.1 * s8, 0.65);
    const double emphasis = v.emphasisBase + 2000.0 * v.attackTime;
    v.emphasisAmount = emphasis < 10.0 ? emphasis : 10.0;

    v.displaySpeed = s10;
    if (rateUsable)
    {
        v.historySpan = s10 * sr;
        if (v.blockSize >= 1.0) v.historyStep = v.historySpan / v.blockSize / v.graphPoints;
    }

    v.sideChainSetting = s2;
    if (!ScriptTrue(v.lowCutSetting))
    {
        v.lowCutInSideChain = 0.0;
        v.lowCutInMain = 0.0;
    }
    else if (ScriptTrue(s2))
    {
        v.lowCutInSideChain = 1.0;
        v.lowCutInMain = 0.0;
    }
    else
    {
        v.lowCutInSideChain = 0.0;
        v.lowCutInMain = 1.0;
    }
}
