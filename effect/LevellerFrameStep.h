#pragma once
// The leveller's gain computer for one frame, written once: the detector's choice of channel,
// the emphasis sum, the slow level, the level-dependent release, the attack/release follower,
// the two smoothing stages and the gain law. The sample hook (LevellerAudio.cpp), the block
// loop (LevellerBlockLoop.cpp) and the benchmark floor all run this step, so they cannot drift
// apart. Every formula is evaluated exactly in the written order, in double precision, so that
// each caller produces the same bits.

#include <cmath>

// What the step reads and never changes between two runs of the slider code.
struct LevellerLaw
{
    double slowFactor;   // smooth200ms - slowReleaseTrim: release of the slow level
    double releaseCoef;  // release of the follower at silence
    double releaseScale; // how much a louder programme shortens the release
    double attackCoef;
    double smooth20ms; // both smoothing stages
    double targetLevel;
    double kneeLevel;
    double brakeLevel; // 0: the Brake is off
    double brakeFall;  // fall of the Brake's own level (30 ms)
};

// The four values the step carries from frame to frame.
struct LevellerFollowers
{
    double slowLevel;
    double env1;
    double env2;
    double env3;
    double brakeDetector; // the Brake's own level: instant rise, 30 ms fall
};

// The step's values of this frame that the script keeps for the last frame of a block.
struct LevellerStepResult
{
    double level;
    double releaseNow;
    double gain;
};

// [audio thread] The detector's input: the louder channel, sign kept, ties to the left.
inline double LevellerDetectorInput(double sigL, double sigR)
{
    return std::fabs(sigL) < std::fabs(sigR) ? sigR : sigL;
}

// [audio thread] The high-frequency emphasis added to the detector's input.
inline double LevellerEmphasise(double sideChain, double amount, double emphasised)
{
    return sideChain + amount * emphasised;
}

// [audio thread] From the detector's input to this frame's gain; moves the followers on.
//
// With the Brake on (kBrake), the three followers stop releasing while the Brake's own level lies
// below the Brake level, so the gain stays where the voice left it instead of climbing towards
// Pull Up in a pause. They still rise: a sound louder than what is held pulls the gain down at
// once, and as soon as the level is back above the Brake level everything releases as without
// it. The Brake's level rises instantly with every peak and falls over 30 ms: fast enough to
// engage within a fraction of a second after the last word (the slow level, at 200 ms, takes
// most of a short pause to fall 25 dB), slow enough that the pitch periods of a voiced sound
// keep it within a few dB of the peaks: only a gap of about 100 ms or more (between words, or a
// long stop) takes it the 20 to 30 dB down to a Brake level set below the quietest speech, so it
// does not chatter inside a word. Where it does switch, nothing jumps: the hold only stops the
// gain from rising.
// Without the Brake the step is the plain chain, bit for bit.
template <bool kBrake>
inline LevellerStepResult LevellerGainStep(const LevellerLaw& c, double& slowLevel, double& env1,
                                           double& env2, double& env3, double& brakeDetector,
                                           double sideChain)
{
    const double level = std::fabs(sideChain);
    // Slow level (instant rise): a louder programme shortens the release.
    slowLevel = level > slowLevel ? level : level + (slowLevel - level) * c.slowFactor;
    const double releaseNow = c.releaseCoef / (slowLevel * c.releaseScale + 1.0);
    if constexpr (kBrake)
    {
        brakeDetector =
            level > brakeDetector ? level : level + (brakeDetector - level) * c.brakeFall;
        const bool hold = brakeDetector < c.brakeLevel;
        env1 = level > env1 ? level + (env1 - level) * c.attackCoef
                            : (hold ? env1 : level + (env1 - level) * releaseNow);
        env2 = env1 > env2 ? env1 : (hold ? env2 : env1 + (env2 - env1) * c.smooth20ms);
        env3 = env2 > env3 ? env2 : (hold ? env3 : env2 + (env3 - env2) * c.smooth20ms);
    }
    else
    {
        env1 = level > env1 ? level + (env1 - level) * c.attackCoef
                            : level + (env1 - level) * releaseNow;
        env2 = env1 > env2 ? env1 : env1 + (env2 - env1) * c.smooth20ms;
        env3 = env2 > env3 ? env2 : env2 + (env3 - env2) * c.smooth20ms;
    }
    return {level, releaseNow, c.targetLevel / (env3 + c.kneeLevel)};
}

template <bool kBrake>
inline LevellerStepResult LevellerGainStep(const LevellerLaw& c, LevellerFollowers& f,
                                           double sideChain)
{
    return LevellerGainStep<kBrake>(c, f.slowLevel, f.env1, f.env2, f.env3, f.brakeDetector,
                                    sideChain);
}

// [any thread] Whether a law's Brake is on (a level of 0 is "Off"; so is a NaN).
inline bool LevellerBrakeOn(const LevellerLaw& c)
{
    return c.brakeLevel > 0.0;
}
