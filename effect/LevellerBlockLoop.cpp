// The leveller's sample hook over a whole block of stereo frames. It performs exactly the
// operations of DoSample (LevellerAudio.cpp), in the same order and precision, so every frame
// gives the same bits; only the bookkeeping around them differs: the state lives in locals for
// the block and is written back to the script variables once, the delay lines are indexed
// directly instead of through script memory indices, and the coefficient sets are taken once.
// The followers are not settled after every frame: a block runs in parts that only watch whether
// settling would have changed anything (it never does on ordinary signals), and a part where it
// would is run again, settled frame by frame.

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <emmintrin.h>
#include <xmmintrin.h>
#include <limits>
#include <type_traits>

#include "effect/LevellerFrameStep.h"
#include "effect/XlatEffect.h"
#include "runtime/SampleOutput.h"

namespace
{

// Slots of a delay line: positions 0 .. 64.
constexpr int32_t kDelaySlots = static_cast<int32_t>(TXlatEffect::kLookAhead) + 1;

// True when the settling leaves all four followers alone because each is a positive normal
// number, the case of every ordinary signal. A NaN fails its comparisons, an infinity the upper
// bound, a zero, a subnormal or a negative value the lower one; all of those go to the exact test
// of each value (SettleDecay), which also lets zeros pass. The comparisons are combined without
// branches, so the check stays off the followers' own chain from frame to frame.
inline bool FollowersSettled(double a, double b, double c, double d)
{
    const bool low = (a >= DBL_MIN) & (b >= DBL_MIN) & (c >= DBL_MIN) & (d >= DBL_MIN);
    const bool high = (a <= DBL_MAX) & (b <= DBL_MAX) & (c <= DBL_MAX) & (d <= DBL_MAX);
    return low & high;
}

// A filter input that is not finite would stay in the recursion forever: it restarts from 0.
inline void SettleInput(double& x)
{
    if (!(std::fabs(x) <= DBL_MAX)) x = 0.0;
}

// The watched loop's output: the value narrowed without a test. Every value the format holds
// comes out as ToOutput gives it; anything else comes out as a NaN, an infinity or the format's
// largest magnitude, which OutputsPlain finds. (Narrowing a value beyond the format raises the
// overflow flag, so the watched loop runs only while overflow does not trap; see RunBlock.)
template <typename Sample> inline Sample WatchedOutput(double value)
{
    return static_cast<Sample>(value);
}

// Whether a value beyond the float range may be narrowed: true while the overflow exception is
// masked, as it is unless the host unmasked it on this thread.
inline bool OverflowMasked()
{
    return (_mm_getcsr() & _MM_MASK_OVERFLOW) != 0;
}

// Whether every output of a watched run is one that ToOutput would have given as well: a number
// below the format's largest magnitude. The test runs on the bits, 16 bytes at a time: a
// magnitude at or above the largest finite one (the infinities and NaNs included) carries into
// the sign bit when (sign - largest) is added to it.
template <typename Sample> bool OutputsPlain(const Sample* out, int32_t frames)
{
    constexpr bool wide = std::is_same_v<Sample, double>;
    using Bits = std::conditional_t<wide, uint64_t, uint32_t>;
    constexpr Bits sign = Bits(1) << (8 * sizeof(Bits) - 1);
    constexpr Bits lift = sign - std::bit_cast<Bits>(std::numeric_limits<Sample>::max());
    constexpr int32_t perVector = 16 / static_cast<int32_t>(sizeof(Sample));
    const auto splat = [](Bits b)
    {
        if constexpr (wide)
            return _mm_set1_epi64x(static_cast<long long>(b));
        else
            return _mm_set1_epi32(static_cast<int>(b));
    };
    const __m128i magnitude = splat(static_cast<Bits>(~sign)), raise = splat(lift);
    __m128i seen = _mm_setzero_si128();
    int32_t i = 0;
    for (; i + perVector <= frames; i += perVector)
    {
        const __m128i bits =
            _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(out + i)), magnitude);
        seen = _mm_or_si128(seen, wide ? _mm_add_epi64(bits, raise) : _mm_add_epi32(bits, raise));
    }
    Bits lanes[perVector];
    std::memcpy(lanes, &seen, sizeof lanes);
    Bits all = 0;
    for (const Bits lane : lanes)
        all |= lane;
    for (; i < frames; ++i)
        all |= (std::bit_cast<Bits>(out[i]) & ~sign) + lift;
    return (all & sign) == 0;
}

// One filter section's state held in locals for the block.
struct SectionState
{
    double x1, x2, y1, y2, out;

    explicit SectionState(const BiquadSection& s)
        : x1(s.x1), x2(s.x2), y1(s.y1), y2(s.y2), out(s.out)
    {
    }

    double Run(const BiquadCoefficients& c, double x)
    {
        out = BiquadStep(c, x, x1, x2, y1, y2);
        return out;
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

namespace
{

// What the loop reads and never changes during a block.
struct BlockConstants
{
    double dither;
    LevellerLaw law;
    double outputGain;
    double emphasisAmount;
    BiquadCoefficients lowCut;
    BiquadCoefficients emphasis;
    int32_t limitL;
    int32_t limitR;
};

// What the loop carries from frame to frame, and the last frame's values the script keeps.
struct BlockState
{
    SectionState lowCutL;
    SectionState lowCutR;
    SectionState emphasis;
    LevellerFollowers followers;
    double inL = 0.0, inR = 0.0, sigL = 0.0, sigR = 0.0, sideChain = 0.0, level = 0.0;
    double releaseNow = 0.0, gain = 0.0, outL = 0.0, outR = 0.0, sample0 = 0.0, sample1 = 0.0;
    int32_t posL = 0, posR = 0;
};

// Where the low-cut runs in this block: not at all, on both channels of the audio, on the
// left channel of the audio only (mono: the right channel is the filtered left), or on the
// detector's input.
enum class LowCut
{
    kOff,
    kAudio,
    kAudioMono,
    kSideChain
};

// How a run of frames treats the four followers (slowLevel, env1, env2, env3).
enum class Followers
{
    // Settled after every frame, exactly as the sample hook does.
    kSettleEachFrame,
    // Not settled; the run notes the smallest value the followers took and answers whether
    // settling would have left every value alone. Its outputs are narrowed without a test and
    // checked afterwards (OutputsPlain).
    kWatch
};

// One run of frames. The routing is fixed for the block, so each combination gets its own loop
// with only the work it needs and all of its values in registers. Answers true when the frames
// came out exactly as the sample hook's; always with kSettleEachFrame. With kWatch, false means
// that some follower took a value that settling would have changed, and the caller runs the
// same frames again from the same state with kSettleEachFrame.
template <LowCut kLowCut, bool kEmphasis, bool kBrake, Followers kFollowers, typename Sample>
bool RunFrames(const BlockConstants& constants, BlockState& st, double* lineL, double* lineR,
               const Sample* in0, const Sample* in1, Sample* out0, Sample* out1, int32_t frames)
{
    // A local copy: the stores into the delay lines and outputs cannot alias it.
    const BlockConstants c = constants;
    SectionState lowCutL = st.lowCutL;
    SectionState lowCutR = st.lowCutR;
    SectionState emphasis = st.emphasis;
    double slowLevel = st.followers.slowLevel, env1 = st.followers.env1;
    double env2 = st.followers.env2, env3 = st.followers.env3;
    double brakeDetector = st.followers.brakeDetector;
    int32_t posL = st.posL, posR = st.posR;
    // The smallest value any follower took in the run (kWatch), beside the followers' chain.
    double lowest = DBL_MAX;

    // One frame; the last one of the block also leaves its intermediate values for the script.
    const auto frame = [&](int32_t i, auto isLast)
    {
        const double inL = static_cast<double>(in0[i]) + c.dither;
        const double inR = static_cast<double>(in1[i]) + c.dither;
        double sigL = inL;
        double sigR = inR;
        if constexpr (kLowCut == LowCut::kAudio || kLowCut == LowCut::kAudioMono)
        {
            sigL = lowCutL.Run(c.lowCut, sigL);
            if constexpr (kLowCut == LowCut::kAudioMono)
                sigR = sigL;
            else
                sigR = lowCutR.Run(c.lowCut, sigR);
        }

        double sideChain = LevellerDetectorInput(sigL, sigR);
        if constexpr (kEmphasis)
            sideChain =
                LevellerEmphasise(sideChain, c.emphasisAmount, emphasis.Run(c.emphasis, sideChain));
        if constexpr (kLowCut == LowCut::kSideChain) sideChain = lowCutL.Run(c.lowCut, sideChain);
        const LevellerStepResult r =
            LevellerGainStep<kBrake>(c.law, slowLevel, env1, env2, env3, brakeDetector, sideChain);
        const double level = r.level;
        const double releaseNow = r.releaseNow;
        const double gain = r.gain;

        lineL[posL] = sigL;
        posL = posL + 1 <= c.limitL ? posL + 1 : 0;
        const double outL = gain * lineL[posL];
        lineR[posR] = sigR;
        posR = posR + 1 <= c.limitR ? posR + 1 : 0;
        const double outR = gain * lineR[posR];

        const double sample0 = outL * c.outputGain;
        const double sample1 = outR * c.outputGain;
        if constexpr (kFollowers == Followers::kSettleEachFrame)
        {
            out0[i] = ToOutput<Sample>(sample0);
            out1[i] = ToOutput<Sample>(sample1);
        }
        else
        {
            out0[i] = WatchedOutput<Sample>(sample0);
            out1[i] = WatchedOutput<Sample>(sample1);
        }

        if constexpr (kLowCut != LowCut::kOff) lowCutL.Settle();
        if constexpr (kLowCut == LowCut::kAudio) lowCutR.Settle();
        if constexpr (kEmphasis) emphasis.Settle();
        // The Brake's level is settled every frame, in both kinds of run, as the sample hook does.
        if constexpr (kBrake) BiquadSection::SettleDecay(brakeDetector);
        if constexpr (kFollowers == Followers::kSettleEachFrame)
        {
            if (!FollowersSettled(slowLevel, env1, env2, env3)) [[unlikely]]
            {
                BiquadSection::SettleDecay(slowLevel);
                BiquadSection::SettleDecay(env1);
                BiquadSection::SettleDecay(env2);
                BiquadSection::SettleDecay(env3);
            }
        }
        else
        {
            // env2 and env3 never lie below env1 here (see RunBlock).
            lowest = std::min(lowest, std::min(slowLevel, env1));
        }

        if constexpr (decltype(isLast)::value)
        {
            st.inL = inL;
            st.inR = inR;
            st.sigL = sigL;
            st.sigR = sigR;
            st.sideChain = sideChain;
            st.level = level;
            st.releaseNow = releaseNow;
            st.gain = gain;
            st.outL = outL;
            st.outR = outR;
            st.sample0 = sample0;
            st.sample1 = sample1;
        }
    };
    for (int32_t i = 0; i < frames - 1; ++i)
        frame(i, std::false_type{});
    frame(frames - 1, std::true_type{});

    st.lowCutL = lowCutL;
    st.lowCutR = lowCutR;
    st.emphasis = emphasis;
    st.followers = {slowLevel, env1, env2, env3, brakeDetector};
    st.posL = posL;
    st.posR = posR;

    if constexpr (kFollowers == Followers::kSettleEachFrame)
        return true;
    else
    {
        // Settling changes a NaN, an infinity, or a value below the normal range other than
        // zero. `lowest` has seen every value of every frame except NaNs (the minimums may skip
        // them) and answers for the low side, -infinity included: for slowLevel and env1
        // directly, for env2 and env3 through env1 (each smoothing stage ends at or above the
        // stage before it when its coefficient is not negative, which RunBlock makes sure of:
        // it either takes the value before it or adds a product of two values that are not
        // negative to it; only a NaN breaks that order). NaN and +infinity are not
        // missed: whatever a stage computes from a NaN or +infinity of its own previous frame
        // is NaN, +infinity or -infinity (each stage's comparison with that value is false or
        // cannot pick the new value, and its other branch multiplies it by a coefficient), and
        // -infinity is caught as low. So a follower that took one of them and never went to
        // -infinity still holds NaN or +infinity at the end of the run.
        // A zero would be left alone by settling but is run again all the same: it occurs only
        // while nothing has been heard since open.
        return (lowest >= DBL_MIN) & FollowersSettled(slowLevel, env1, env2, env3);
    }
}

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
