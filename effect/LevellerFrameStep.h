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
};

// The four values the step carries from frame to frame.
struct LevellerFollowers
{
    double slowLevel;
    double env1;
    double env2;
    double env3;
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
inline LevellerStepResult LevellerGainStep(const LevellerLaw& c, double& slowLevel, double& env1,
                                           double& env2, double& env3, double sideChain)
{
    const double level = std::fabs(sideChain);
    // Slow level (instant rise): a louder programme shortens the release.
    slowLevel = level > slowLevel ? level : level + (slowLevel - level) * c.slowFactor;
    const double releaseNow = c.releaseCoef / (slowLevel * c.releaseScale + 1.0);
    env1 =
        level > env1 ? level + (env1 - level) * c.attackCoef : level + (env1 - level) * releaseNow;
    env2 = env1 > env2 ? env1 : env1 + (env2 - env1) * c.smooth20ms;
    env3 = env2 > env3 ? env2 : env2 + (env3 - env2) * c.smooth20ms;
    return {level, releaseNow, c.targetLevel / (env3 + c.kneeLevel)};
}

inline LevellerStepResult LevellerGainStep(const LevellerLaw& c, LevellerFollowers& f,
                                           double sideChain)
{
    return LevellerGainStep(c, f.slowLevel, f.env1, f.env2, f.env3, sideChain);
}
