// The leveller's sample hook over a whole block of stereo frames. It performs exactly the
// operations of DoSample (LevellerAudio.cpp), in the same order and precision, so every frame
// gives the same bits; only the bookkeeping around them differs: the state lives in locals for
// the block and is written back to the script variables once, the delay lines are indexed
// directly instead of through script memory indices, and the coefficient sets are taken once.
// The followers are not settled after every frame: a block runs in parts that only watch whether
// settling would have changed anything (it never does on ordinary signals), and a part where it
// would is run again, settled frame by frame.
//
// One run of frames is in LevellerBlockFrames.h, the checks of a watched run in
// LevellerRunChecks.h; here are the delay lines' direct indexing, the runs a block is cut into
// and the hook itself.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <type_traits>

#include "effect/LevellerBlockFrames.h"
#include "effect/XlatEffect.h"

using namespace leveller_block;

namespace
{

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

namespace
{

// Frames per run of the watched loop: a run that has to be repeated costs at most this many
// frames twice, and the in-place outputs of one run wait in a buffer of this size.
constexpr int32_t kRunFrames = 256;

// Whether two buffers lie apart, or start at the same place.
bool ApartOrSame(const void* a, const void* b, size_t bytes)
{
    const auto x = reinterpret_cast<uintptr_t>(a), y = reinterpret_cast<uintptr_t>(b);
    return x == y || x >= y + bytes || y >= x + bytes;
}

// The block in runs of kRunFrames frames with the followers watched instead of settled after
// every frame; a run in which settling would have changed a follower (silence since open,
// values sinking below the normal range, non-finite input) is repeated from its starting state
// with settling after every frame, so the result is always the sample hook's, bit for bit.
template <LowCut kLowCut, bool kEmphasis, bool kBrake, typename Sample>
void RunBlock(const BlockConstants& c, BlockState& st, double* lineL, double* lineR,
              const Sample* in0, const Sample* in1, Sample* out0, Sample* out1, int32_t frames)
{
    // A repeated run reads its input again, so an output written over its own input waits in
    // `held` until the run is accepted. Outputs that overlap an input at any other place
    // change inputs of later frames of the same run: such a block runs only frame-settled, as
    // does one with a negative smoothing coefficient (which no sample rate gives), for which
    // the watched run's order of the followers would not hold, and a float block on a thread
    // where overflow traps (WatchedOutput).
    const size_t bytes = static_cast<size_t>(frames) * sizeof(Sample);
    bool watch = c.law.smooth20ms >= 0.0 && (std::is_same_v<Sample, double> || OverflowMasked());
    bool inPlace = false;
    for (const Sample* out : {out0, out1})
        for (const Sample* in : {in0, in1})
        {
            watch = watch && ApartOrSame(out, in, bytes);
            inPlace = inPlace || out == in;
        }
    if (!watch)
    {
        RunFrames<kLowCut, kEmphasis, kBrake, Followers::kSettleEachFrame>(c, st, lineL, lineR, in0,
                                                                           in1, out0, out1, frames);
        return;
    }

    Sample held[2][kRunFrames];
    double startL[kDelaySlots], startR[kDelaySlots];
    for (int32_t at = 0; at < frames; at += kRunFrames)
    {
        const int32_t n = std::min(kRunFrames, frames - at);
        const BlockState start = st;
        // Both lines as they were: a repeated run reads slots that this one has overwritten.
        // (Where the lines overlap, both copies hold the same values.)
        std::copy_n(lineL, kDelaySlots, startL);
        std::copy_n(lineR, kDelaySlots, startR);
        Sample* const to0 = inPlace ? held[0] : out0 + at;
        Sample* const to1 = inPlace ? held[1] : out1 + at;
        if (RunFrames<kLowCut, kEmphasis, kBrake, Followers::kWatch>(c, st, lineL, lineR, in0 + at,
                                                                     in1 + at, to0, to1, n) &&
            OutputsPlain(to0, n) && OutputsPlain(to1, n)) [[likely]]
        {
            if (inPlace)
            {
                std::copy_n(held[0], n, out0 + at);
                std::copy_n(held[1], n, out1 + at);
            }
            continue;
        }
        st = start;
        std::copy_n(startL, kDelaySlots, lineL);
        std::copy_n(startR, kDelaySlots, lineR);
        RunFrames<kLowCut, kEmphasis, kBrake, Followers::kSettleEachFrame>(
            c, st, lineL, lineR, in0 + at, in1 + at, out0 + at, out1 + at, n);
    }
}

template <LowCut kLowCut, bool kEmphasis, typename Sample>
void RunWithBrake(const BlockConstants& c, BlockState& st, double* lineL, double* lineR,
                  const Sample* in0, const Sample* in1, Sample* out0, Sample* out1, int32_t frames)
{
    if (LevellerBrakeOn(c.law))
        RunBlock<kLowCut, kEmphasis, true>(c, st, lineL, lineR, in0, in1, out0, out1, frames);
    else
        RunBlock<kLowCut, kEmphasis, false>(c, st, lineL, lineR, in0, in1, out0, out1, frames);
}

template <LowCut kLowCut, typename Sample>
void RunFrames(bool emphasisOn, const BlockConstants& c, BlockState& st, double* lineL,
               double* lineR, const Sample* in0, const Sample* in1, Sample* out0, Sample* out1,
               int32_t frames)
{
    if (emphasisOn)
        RunWithBrake<kLowCut, true>(c, st, lineL, lineR, in0, in1, out0, out1, frames);
    else
        RunWithBrake<kLowCut, false>(c, st, lineL, lineR, in0, in1, out0, out1, frames);
}

} // namespace

template <typename Sample>
void TXlatEffect::ProcessStereo(const Sample* in0, const Sample* in1, Sample* out0, Sample* out1,
                                int32_t frames)
{
    if (frames <= 0) return;
    LevellerVariables& v = vars;
    const LevellerInitSet& init = TakeInitSet();
    const LevellerSliderSet& k = audioSliders.Latest(sliderSets);

    double* const lineL = ContiguousDelayLine(delayWindowL, init.delayBaseL, lineIndexL);
    double* const lineR = ContiguousDelayLine(delayWindowR, init.delayBaseR, lineIndexR);
    const int32_t posL = DelaySlotNumber(v.delayPosL);
    const int32_t posR = DelaySlotNumber(v.delayPosR);
    const int32_t limitL = DelayStepLimit(init.delayLengthL);
    const int32_t limitR = DelayStepLimit(init.delayLengthR);
    if (!lineL || !lineR || posL < 0 || posR < 0 || limitL < 0 || limitR < 0)
    {
        SamplesFrameByFrame(in0, in1, out0, out1, frames);
        return;
    }
    // The host copies change only in the init hook, which is picked up at the next block.
    RefreshHostValues();

    const BlockConstants c{v.dither,
                           {init.smooth200ms - k.slowReleaseTrim, k.releaseCoef, init.releaseScale,
                            k.attackCoef, init.smooth20ms, k.targetLevel, k.kneeLevel, k.brakeLevel,
                            k.brakeFall},
                           k.outputGain,
                           k.emphasisAmount,
                           k.lowCut,
                           init.emphasis,
                           limitL,
                           limitR};
    BlockState st{SectionState(v.lowCutL),
                  SectionState(v.lowCutR),
                  SectionState(v.emphasis),
                  {v.slowLevel, v.env1, v.env2, v.env3, v.brakeDetector}};
    st.posL = posL;
    st.posR = posR;

    const bool emphasisOn = ScriptTrue(k.emphasisAmount);
    if (ScriptTrue(k.lowCutInMain))
    {
        if (ScriptTrue(v.mono))
            RunFrames<LowCut::kAudioMono>(emphasisOn, c, st, lineL, lineR, in0, in1, out0, out1,
                                          frames);
        else
            RunFrames<LowCut::kAudio>(emphasisOn, c, st, lineL, lineR, in0, in1, out0, out1,
                                      frames);
    }
    else if (ScriptTrue(k.lowCutInSideChain))
        RunFrames<LowCut::kSideChain>(emphasisOn, c, st, lineL, lineR, in0, in1, out0, out1,
                                      frames);
    else
        RunFrames<LowCut::kOff>(emphasisOn, c, st, lineL, lineR, in0, in1, out0, out1, frames);

    v.inL = st.inL;
    v.inR = st.inR;
    v.sigL = st.sigL;
    v.sigR = st.sigR;
    v.sideChain = st.sideChain;
    v.level = st.level;
    v.slowLevel = st.followers.slowLevel;
    v.releaseNow = st.releaseNow;
    v.env1 = st.followers.env1;
    v.env2 = st.followers.env2;
    v.env3 = st.followers.env3;
    v.brakeDetector = st.followers.brakeDetector;
    v.gain = st.gain;
    v.lastGain = st.gain;
    v.delayPosL = static_cast<double>(st.posL);
    v.delayPosR = static_cast<double>(st.posR);
    v.outL = st.outL;
    v.outR = st.outR;
    st.lowCutL.Store(v.lowCutL);
    st.lowCutR.Store(v.lowCutR);
    st.emphasis.Store(v.emphasis);
    samples[0] = st.sample0;
    samples[1] = st.sample1;
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
