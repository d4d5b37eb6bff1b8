#pragma once
// One run of the leveller's block loop (LevellerBlockLoop.cpp): the frames of a block with the
// state in locals, one loop for each routing of the low-cut, emphasis on or off, the Brake on or
// off, and the followers either settled after every frame or only watched (LevellerRunChecks.h).
// Every frame performs exactly the operations of the sample hook (LevellerAudio.cpp), in the same
// order and precision, so it gives the same bits. [audio thread]

#include <algorithm>
#include <cfloat>
#include <cstdint>
#include <type_traits>

#include "effect/BiquadSection.h"
#include "effect/LevellerFrameStep.h"
#include "effect/LevellerRunChecks.h"
#include "effect/XlatEffect.h"
#include "runtime/SampleOutput.h"

// Only the block loop's own file includes this: the names have internal linkage there, as if
// written in it, so the compiler treats them as that file's alone.
namespace leveller_block
{
namespace
{

// Slots of a delay line: positions 0 .. 64.
inline constexpr int32_t kDelaySlots = static_cast<int32_t>(TXlatEffect::kLookAhead) + 1;

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

} // namespace
} // namespace leveller_block
