// The slider code of the leveller: from the slider values to the numbers the sample loop
// works with. It only computes coefficients; no filter or follower state is touched.

#include <cmath>

#include "effect/OnePole.h"
#include "effect/XlatEffect.h"

namespace
{

constexpr double kPi = 3.141592653589793;
// Fall time of the Brake's own level (see LevellerFrameStep.h).
constexpr double kBrakeFallSeconds = 0.03;

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
    RunSliderCodeUntilCurrent(true);
}

void TXlatEffect::CopySlidersForEditor()
{
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
    v.sliderCopy11 = sliders[11];
}

void TXlatEffect::RunSliderCodeUntilCurrent(bool copySliders)
{
    // Enough for any real overlap of two writers; a host writing without pause cannot keep this
    // thread here.
    constexpr int kMaxRuns = 4;
    for (int run = 0; run < kMaxRuns; ++run)
    {
        const uint32_t changesBefore = SliderChangeCount();
        // The copies are taken again with every run: two threads copying at once (the host's
        // automation and a restored chunk, say) could otherwise leave the editor a value read
        // just before the other thread replaced it.
        if (copySliders) CopySlidersForEditor();
        RunSliderCode();
        if (SliderChangeCount() == changesBefore) return;
    }
}

void TXlatEffect::RunSliderCode()
{
    // The set this run hands to the audio thread starts as the newest complete one, so a value
    // this run does not compute (no table row matched, no usable rate) stays as it was.
    const uint64_t ticket = sliderSets.TakeTicket();
    LevellerSliderSet k;
    sliderSets.Read(k);

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
    const double s11 = sliders[11];
    // With an unusable sample rate every rate-dependent value keeps its previous value (see
    // DoInit); the table lookups and level conversions still run.
    const double sr = v.sampleRate;
    const bool rateUsable = SampleRateUsable(sr);

    v.maxAttenuationDb = 0.0;
    v.maxGainDb = 0.0;

    // Gain law: levels far above kneeLevel come out at targetLevel; silence gets
    // targetLevel / kneeLevel = the Pull Up boost.
    k.targetLevel = std::pow(10.0, s5 / 20.0);
    k.kneeLevel = std::pow(10.0, (s5 - s6) / 20.0);
    v.targetLevel = k.targetLevel;
    v.kneeLevel = k.kneeLevel;

    // Brake: below this level the gain holds instead of climbing towards Pull Up. 0 dB (and
    // anything not below it) is "Off": a level of 0 that no detector level lies below.
    k.brakeLevel = s11 < 0.0 && !ScriptEqual(s11, 0.0) ? std::pow(10.0, s11 / 20.0) : 0.0;
    v.brakeLevel = k.brakeLevel;
    if (rateUsable)
    {
        k.brakeFall = OnePoleCoefficient(kBrakeFallSeconds * sr);
        v.brakeFall = k.brakeFall;
    }

    // A value that matches no row keeps the previous time (0 right after open).
    double recoveryTime = v.recoveryTime;
    for (const RecoveryRow& row : kRecoveryTable)
    {
        if (ScriptEqual(s7, row.setting))
        {
            recoveryTime = row.seconds;
            v.recoveryTime = recoveryTime;
        }
    }
    if (rateUsable)
    {
        k.releaseCoef = OnePoleCoefficient(recoveryTime * sr);
        v.releaseCoef = k.releaseCoef;
    }
    k.slowReleaseTrim = ScriptEqual(recoveryTime, 100.0) ? 0.00003 : 0.0;
    v.slowReleaseTrim = k.slowReleaseTrim;

    k.outputGain = std::pow(10.0, s9 / 20.0);
    v.outputGain = k.outputGain;

    // Low-cut: recomputed on every run, also while it is off; setting 0 matches no row.
    v.lowCutSetting = s3;
    double lowCutFreq = v.lowCutFreq;
    double lowCutDamping = v.lowCutDamping;
    for (const LowCutRow& row : kLowCutTable)
    {
        if (ScriptEqual(s3, row.setting))
        {
            lowCutFreq = row.frequency;
            lowCutDamping = row.damping;
            v.lowCutFreq = lowCutFreq;
            v.lowCutDamping = lowCutDamping;
        }
    }
    if (rateUsable)
    {
        const double t = std::tan(kPi * lowCutFreq / sr);
        v.lowCutTan = t;
        k.lowCut = BiquadCoefficients::HighPass(lowCutDamping, t);
        v.lowCutL.SetCoefficients(k.lowCut);
        v.lowCutR.SetCoefficients(k.lowCut);
    }

    double attackTime = v.attackTime;
    for (const AttackRow& row : kAttackTable)
    {
        if (ScriptEqual(s4, row.setting))
        {
            attackTime = row.seconds;
            v.attackTime = attackTime;
        }
    }
    // The "Zero" attack gives a coefficient of exactly 0 (see OnePoleCoefficient).
    if (rateUsable)
    {
        k.attackCoef = OnePoleCoefficient(sr * attackTime);
        v.attackCoef = k.attackCoef;
    }

    // A longer attack lets more of the emphasis through. For a negative setting (only a
    // restored chunk can hold one) the power is NaN; the limit then gives the maximum, 10.
    const double emphasisBase = 3.16 * std::pow(0.1 * s8, 0.65);
    v.emphasisBase = emphasisBase;
    const double emphasis = emphasisBase + 2000.0 * attackTime;
    k.emphasisAmount = emphasis < 10.0 ? emphasis : 10.0;
    v.emphasisAmount = k.emphasisAmount;

    v.displaySpeed = s10;
    if (rateUsable)
    {
        const double historySpan = s10 * sr;
        v.historySpan = historySpan;
        const double blockSize = v.blockSize;
        if (blockSize >= 1.0) v.historyStep = historySpan / blockSize / v.graphPoints;
    }

    v.sideChainSetting = s2;
    if (!ScriptTrue(s3))
    {
        k.lowCutInSideChain = 0.0;
        k.lowCutInMain = 0.0;
    }
    else if (ScriptTrue(s2))
    {
        k.lowCutInSideChain = 1.0;
        k.lowCutInMain = 0.0;
    }
    else
    {
        k.lowCutInSideChain = 0.0;
        k.lowCutInMain = 1.0;
    }
    v.lowCutInSideChain = k.lowCutInSideChain;
    v.lowCutInMain = k.lowCutInMain;

    sliderSets.Publish(k, ticket);
}
