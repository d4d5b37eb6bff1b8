// The leveller's audio path: the block hook (once per processing call) and the sample hook (once
// per stereo frame). Every formula is evaluated exactly in the written order, in double
// precision, so that each build produces the same bits.

#include <cmath>

#include "effect/LevellerFrameStep.h"
#include "effect/XlatEffect.h"

namespace
{

// Decaying follower values: NaN or infinity (left by a non-finite input sample) would stay
// forever, so they restart from 0; a subnormal tail becomes 0 because subnormal arithmetic is
// slow and such a value is absorbed by any normal-sized signal anyway.
inline void Settle(SharedDouble& v)
{
    BiquadSection::SettleDecay(v);
}

} // namespace

int32_t TXlatEffect::NextRandom()
{
    // 15-bit linear congruential generator (the same sequence as the classic C library rand()
    // with seed 1); unlike rand() it takes no lock and allocates no per-thread state.
    randomState = randomState * 214013u + 2531011u;
    return static_cast<int32_t>((randomState >> 16) & 0x7FFFu);
}

double& TXlatEffect::DelaySlot(const CMemoryWindow& window, double index)
{
    double* cell = window.At(ScriptInt(index));
    return cell != nullptr ? *cell : spareCell;
}

void TXlatEffect::ReportLatency()
{
    LevellerVariables& v = vars;
    if (!ScriptEqual(v.latency, v.reportedLatency))
    {
        v.reportedLatency = v.latency;
        HostSetLatency(ScriptInt(v.latency));
    }
}

const LevellerInitSet& TXlatEffect::TakeInitSet()
{
    const LevellerInitSet& init = audioInit.Latest(initSets);
    if (!(init.delayBaseL == audioDelayBaseL) || !(init.delayBaseR == audioDelayBaseR)) [[unlikely]]
    {
        audioDelayBaseL = init.delayBaseL;
        audioDelayBaseR = init.delayBaseR;
        // The positions stay: over an all-silent line they only decide where writing goes on.
        for (double p = 0.0; p <= kLookAhead; p += 1.0)
        {
            DelaySlot(delayWindowL, init.delayBaseL + p) = 0.0;
            DelaySlot(delayWindowR, init.delayBaseR + p) = 0.0;
        }
    }
    if (!(init.historyBase == audioHistoryBase)) [[unlikely]]
    {
        audioHistoryBase = init.historyBase;
        vars.historyReady = 0.0;
    }
    return init;
}

void TXlatEffect::FillHistory()
{
    LevellerVariables& v = vars;
    v.historyWritePos = 0.0;
    v.graphSmooth = 10000.0;
    // Entries 0 .. ceil(span / block size): every place the write position can reach. The loop
    // stops at the end of the prepared window, so an oversized span cannot run away.
    const double reach = std::ceil(v.historySpan / v.blockSize);
    const int32_t windowEntries = historyWindow.Last() - historyWindow.First() + 1;
    for (int32_t i = 0; i < windowEntries && static_cast<double>(i) <= reach; ++i)
    {
        if (double* entry = historyWindow.At(ScriptInt(v.historyBase + i)))
            StoreShared(*entry, 100.0);
    }
}

void TXlatEffect::DoBlock()
{
    LevellerVariables& v = vars;

    // Memory that moved since the last block is made safe before anything reads it.
    TakeInitSet();
    ReportLatency();

    // Transport, each value its own time-information request.
    double tempo = v.hostTempo;
    double numerator = v.hostTimeSigNumerator;
    double denominator = v.hostTimeSigDenominator;
    HostTempoAndTimeSig(tempo, numerator, denominator);
    v.hostTempo = ScriptFinite(tempo);
    v.hostTimeSigNumerator = ScriptFinite(numerator);
    v.hostTimeSigDenominator = ScriptFinite(denominator);
    v.playState = HostPlaying() ? 1.0 : 0.0;
    if (HostRecording()) v.playState += 4.0;
    v.playPosition = ScriptFinite(HostPpqPosition());
    RefreshHostValues();

    // Without a usable sample rate and block size the history has no defined length (a block
    // size of 0 would make it endless): no history work at all then.
    const bool historyUsable = HistoryUsable();
    if (historyUsable && !ScriptTrue(v.historyReady))
    {
        FillHistory();
        v.historyReady = 1.0;
    }

    // Mono: after 32 blocks whose preceding frame had equal channels the 33rd switches mono on;
    // the first block with different channels switches it off.
    if (v.monoCount < v.monoBlocks)
    {
        if (ScriptEqual(v.inL, v.inR))
        {
            v.monoCount += 1.0;
        }
        else
        {
            v.monoCount = 0.0;
            v.mono = 0.0;
        }
    }
    else
    {
        v.monoCount = 0.0;
        v.mono = 1.0;
    }

    v.dither = NextRandom() / 32767.0 * 1e-15;

    if (!ScriptTrue(v.playState) || !ScriptTrue(v.lastGain) || !historyUsable) return;

    // One graph ordinate per block: 100 at unity gain, about 5 units per dB, 0 for +20 dB and
    // more, 199 for -20 dB and less.
    v.historyBaseCopy = v.historyBase;
    const double x = v.lastGain * audioSliders.Latest(sliderSets).outputGain;
    const double h = x > 10.0 ? 0.1 : (x > 0.1 ? 1.0 / x : 10.0);
    if (double* entry = historyWindow.At(ScriptInt(v.historyBase + v.historyWritePos)))
        StoreShared(*entry, 200.0 - std::ceil(100.0 - 43.3 * std::log(h)));
    v.historyWritePos =
        v.historyWritePos >= v.historySpan / v.blockSize ? 0.0 : v.historyWritePos + 1.0;
}

void TXlatEffect::DoSample()
{
    LevellerVariables& v = vars;
    // Coefficients come from complete sets of one init-hook run and one slider-code run.
    const LevellerInitSet& init = TakeInitSet();
    const LevellerSliderSet& k = audioSliders.Latest(sliderSets);
    RefreshHostValues();

    v.inL = samples[0] + v.dither;
    v.inR = samples[1] + v.dither;
    v.sigL = v.inL;
    v.sigR = v.inR;

    if (ScriptTrue(k.lowCutInMain))
    {
        v.sigL = v.lowCutL.Run(k.lowCut, v.sigL);
        // In mono the right filter rests and the right channel is the filtered left one.
        v.sigR = ScriptTrue(v.mono) ? v.sigL.load() : v.lowCutR.Run(k.lowCut, v.sigR);
    }

    v.sideChain = LevellerDetectorInput(v.sigL, v.sigR);
    if (ScriptTrue(k.emphasisAmount))
        v.sideChain = LevellerEmphasise(v.sideChain, k.emphasisAmount,
                                        v.emphasis.Run(init.emphasis, v.sideChain));
    if (ScriptTrue(k.lowCutInSideChain)) v.sideChain = v.lowCutL.Run(k.lowCut, v.sideChain);

    const LevellerLaw law{init.smooth200ms - k.slowReleaseTrim,
                          k.releaseCoef,
                          init.releaseScale,
                          k.attackCoef,
                          init.smooth20ms,
                          k.targetLevel,
                          k.kneeLevel,
                          k.brakeLevel,
                          k.brakeFall};
    LevellerFollowers f{v.slowLevel, v.env1, v.env2, v.env3, v.brakeDetector};
    const LevellerStepResult r = LevellerBrakeOn(law)
                                     ? LevellerGainStep<true>(law, f, v.sideChain)
                                     : LevellerGainStep<false>(law, f, v.sideChain);
    v.level = r.level;
    v.slowLevel = f.slowLevel;
    v.releaseNow = r.releaseNow;
    v.env1 = f.env1;
    v.env2 = f.env2;
    v.env3 = f.env3;
    v.brakeDetector = f.brakeDetector;
    v.gain = r.gain;

    // 64 frames of look-ahead: 65 slots, the read slot is the one written 64 frames earlier.
    DelaySlot(delayWindowL, init.delayBaseL + v.delayPosL) = v.sigL;
    v.delayPosL = v.delayPosL + 1.0 <= init.delayLengthL ? v.delayPosL + 1.0 : 0.0;
    v.outL = v.gain * DelaySlot(delayWindowL, init.delayBaseL + v.delayPosL);
    DelaySlot(delayWindowR, init.delayBaseR + v.delayPosR) = v.sigR;
    v.delayPosR = v.delayPosR + 1.0 <= init.delayLengthR ? v.delayPosR + 1.0 : 0.0;
    v.outR = v.gain * DelaySlot(delayWindowR, init.delayBaseR + v.delayPosR);

    v.lastGain = v.gain;
    samples[0] = v.outL * k.outputGain;
    samples[1] = v.outR * k.outputGain;

    // Keep the recursive state usable for the next frame; this frame's output is already out.
    v.lowCutL.Settle();
    v.lowCutR.Settle();
    v.emphasis.Settle();
    Settle(v.slowLevel);
    Settle(v.env1);
    Settle(v.env2);
    Settle(v.env3);
    Settle(v.brakeDetector);
}
