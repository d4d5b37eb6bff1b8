// The leveller's sample hook over a whole block of stereo frames. It performs exactly the
// operations of DoSample (LevellerAudio.cpp), in the same order and precision, so every frame
// gives the same bits; only the bookkeeping around them differs: the state lives in locals for
// the block and is written back to the script variables once, the delay lines are indexed
// directly instead of through script memory indices, and the coefficient sets are taken once.

#include <cfloat>
#include <cmath>

#include "effect/XlatEffect.h"
#include "runtime/SampleOutput.h"

namespace
{

// Slots of a delay line: positions 0 .. 64.
constexpr int32_t kDelaySlots = static_cast<int32_t>(TXlatEffect::kLookAhead) + 1;

// True for the values the settling leaves alone: zero and every normal finite value.
inline bool Settled(double v)
{
    const double m = std::fabs(v);
    return (m >= DBL_MIN && m <= DBL_MAX) || m == 0.0;
}

// A filter input that is not finite would stay in the recursion forever: it restarts from 0.
inline void SettleInput(double& x)
{
    if (!(std::fabs(x) <= DBL_MAX)) x = 0.0;
}

// One filter section's state held in locals for the block.
struct SectionState
{
    double x1, x2, y1, y2, out;

    explicit SectionState(const BiquadSection& s) : x1(s.x1), x2(s.x2), y1(s.y1), y2(s.y2), out(s.out)
    {
    }

    double Run(const BiquadCoefficients& c, double x)
    {
        const double y = c.b0 * x + c.b1 * x1 + c.b2 * x2 - c.a1 * y1 - c.a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        out = y;
        return y;
    }

    // After every frame in which the section ran. Its previous input and output (now x2 and y2)
    // were settled in the frame before, so only the newest pair needs a look.
    void Settle()
    {
        SettleInput(x1);
        BiquadSection::SettleDecay(y1);
    }

    void Store(BiquadSection& s) const
    {
        s.x1 = x1;
        s.x2 = x2;
        s.y1 = y1;
        s.y2 = y2;
        s.out = out;
    }
};

// A delay position as a slot number, or -1 if it is not one of 0 .. 64 (the hooks never leave
// anything else there; the block then runs frame by frame).
inline int32_t DelaySlotNumber(double position)
{
    if (!(position >= 0.0 && position <= kDelaySlots - 1) || position != std::floor(position))
        return -1;
    return static_cast<int32_t>(position);
}

// The largest slot number the position may step to: for the slot numbers p = 0 .. 64,
// p + 1 <= length exactly when p + 1 <= the answer. -1 for a length beyond the line.
inline int32_t DelayStepLimit(double length)
{
    if (length > kDelaySlots - 1) return -1;
    if (!(length >= 1.0)) return 0; // also NaN: the position then stays at 0
    return static_cast<int32_t>(std::floor(length));
}

} // namespace

double* TXlatEffect::ContiguousDelayLine(const CMemoryWindow& window, double base,
                                         LineIndexCache& cache) const
{
    if (!cache.known || !(base == cache.base))
    {
        // The script forms each slot's memory index as ScriptInt(base + position); the line can
        // be indexed directly only when that gives 65 consecutive indices on one page.
        cache.base = base;
        cache.known = true;
        cache.first = ScriptInt(base);
        cache.consecutive = cache.first <= INT32_MAX - kDelaySlots &&
                            (cache.first >> 16) == ((cache.first + kDelaySlots - 1) >> 16);
        for (int32_t p = 0; p < kDelaySlots && cache.consecutive; ++p)
            cache.consecutive = ScriptInt(base + p) == cache.first + p;
    }
    if (!cache.consecutive) return nullptr;
    // Both ends inside the prepared window on one page: every slot between is a cell there.
    if (window.At(cache.first + kDelaySlots - 1) == nullptr) return nullptr;
    return window.At(cache.first);
}

template <typename Sample>
void TXlatEffect::ProcessStereo(const Sample* in0, const Sample* in1, Sample* out0, Sample* out1,
                                int32_t frames)
{
    if (frames <= 0) return;
    LevellerVariables& v = vars;
    // Copies: the loop's stores into the delay lines cannot alias them.
    const LevellerInitSet init = audioInit.Latest(initSets);
    const LevellerSliderSet k = audioSliders.Latest(sliderSets);

    double* const lineL = ContiguousDelayLine(delayWindowL, init.delayBaseL, lineIndexL);
    double* const lineR = ContiguousDelayLine(delayWindowR, init.delayBaseR, lineIndexR);
    int32_t posL = DelaySlotNumber(v.delayPosL);
    int32_t posR = DelaySlotNumber(v.delayPosR);
    const int32_t limitL = DelayStepLimit(init.delayLengthL);
    const int32_t limitR = DelayStepLimit(init.delayLengthR);
    if (!lineL || !lineR || posL < 0 || posR < 0 || limitL < 0 || limitR < 0)
    {
        SamplesFrameByFrame(in0, in1, out0, out1, frames);
        return;
    }
    // The host copies change only in the init hook, which is picked up at the next block.
    RefreshHostValues();

    const double dither = v.dither;
    const bool mono = ScriptTrue(v.mono);
    const bool lowCutMain = ScriptTrue(k.lowCutInMain);
    const bool lowCutSide = ScriptTrue(k.lowCutInSideChain);
    const bool emphasisOn = ScriptTrue(k.emphasisAmount);
    const bool leftRuns = lowCutMain || lowCutSide;
    const bool rightRuns = lowCutMain && !mono;
    const double slowFactor = init.smooth200ms - k.slowReleaseTrim;

    SectionState lowCutL(v.lowCutL);
    SectionState lowCutR(v.lowCutR);
    SectionState emphasis(v.emphasis);
    double slowLevel = v.slowLevel;
    double env1 = v.env1;
    double env2 = v.env2;
    double env3 = v.env3;
    double inL = 0.0, inR = 0.0, sigL = 0.0, sigR = 0.0, sideChain = 0.0, level = 0.0;
    double releaseNow = 0.0, gain = 0.0, outL = 0.0, outR = 0.0, sample0 = 0.0, sample1 = 0.0;

    for (int32_t i = 0; i < frames; ++i)
    {
        inL = static_cast<double>(in0[i]) + dither;
        inR = static_cast<double>(in1[i]) + dither;
        sigL = inL;
        sigR = inR;
        if (lowCutMain)
        {
            sigL = lowCutL.Run(k.lowCut, sigL);
            sigR = mono ? sigL : lowCutR.Run(k.lowCut, sigR);
        }

        sideChain = std::fabs(sigL) < std::fabs(sigR) ? sigR : sigL;
        if (emphasisOn)
        {
            const double s = emphasis.Run(init.emphasis, sideChain);
            sideChain = sideChain + k.emphasisAmount * s;
        }
        if (lowCutSide) sideChain = lowCutL.Run(k.lowCut, sideChain);
        level = std::fabs(sideChain);

        slowLevel = level > slowLevel ? level : level + (slowLevel - level) * slowFactor;
        releaseNow = k.releaseCoef / (slowLevel * init.releaseScale + 1.0);
        env1 = level > env1 ? level + (env1 - level) * k.attackCoef
                            : level + (env1 - level) * releaseNow;
        env2 = env1 > env2 ? env1 : env1 + (env2 - env1) * init.smooth20ms;
        env3 = env2 > env3 ? env2 : env2 + (env3 - env2) * init.smooth20ms;
        gain = k.targetLevel / (env3 + k.kneeLevel);

        lineL[posL] = sigL;
        posL = posL + 1 <= limitL ? posL + 1 : 0;
        outL = gain * lineL[posL];
        lineR[posR] = sigR;
        posR = posR + 1 <= limitR ? posR + 1 : 0;
        outR = gain * lineR[posR];

        sample0 = outL * k.outputGain;
        sample1 = outR * k.outputGain;
        out0[i] = ToOutput<Sample>(sample0);
        out1[i] = ToOutput<Sample>(sample1);

        if (leftRuns) lowCutL.Settle();
        if (rightRuns) lowCutR.Settle();
        if (emphasisOn) emphasis.Settle();
        // One test for the four followers: on normal signals nothing else runs.
        if (!(Settled(slowLevel) & Settled(env1) & Settled(env2) & Settled(env3)))
        {
            BiquadSection::SettleDecay(slowLevel);
            BiquadSection::SettleDecay(env1);
            BiquadSection::SettleDecay(env2);
            BiquadSection::SettleDecay(env3);
        }
    }

    v.inL = inL;
    v.inR = inR;
    v.sigL = sigL;
    v.sigR = sigR;
    v.sideChain = sideChain;
    v.level = level;
    v.slowLevel = slowLevel;
    v.releaseNow = releaseNow;
    v.env1 = env1;
    v.env2 = env2;
    v.env3 = env3;
    v.gain = gain;
    v.lastGain = gain;
    v.delayPosL = static_cast<double>(posL);
    v.delayPosR = static_cast<double>(posR);
    v.outL = outL;
    v.outR = outR;
    lowCutL.Store(v.lowCutL);
    lowCutR.Store(v.lowCutR);
    emphasis.Store(v.emphasis);
    samples[0] = sample0;
    samples[1] = sample1;
}

void TXlatEffect::DoSamples(const float* in0, const float* in1, float* out0, float* out1,
                            int32_t frames)
{
    ProcessStereo(in0, in1, out0, out1, frames);
}

void TXlatEffect::DoSamples(const double* in0, const double* in1, double* out0, double* out1,
                            int32_t frames)
{
    ProcessStereo(in0, in1, out0, out1, frames);
}
