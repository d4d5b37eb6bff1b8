#pragma once
// The floor row of `bench`: the leveller's per-frame arithmetic (at its default settings) as
// one plain loop over a block, with every value in a local variable and the delay lines as
// plain arrays. Its gain computer is the plug-in's own inline step (effect/LevellerFrameStep.h),
// compiled with the same floating-point options; around it the loop does nothing else: no host
// interface, no script variables, no settling of decaying state. What a plug-in costs beyond it
// is the price of its structure.

struct StereoSignal;

class CLevellerFloor
{
  public:
    // Coefficients of the default settings at `sampleRate` Hz.
    explicit CLevellerFloor(double sampleRate);

    // One block of `frames` stereo frames. [one thread]
    void process(const float* inL, const float* inR, float* outL, float* outR, int frames);

  private:
    // Coefficients.
    double smooth20 = 0, smooth200 = 0, releaseScale = 0;
    double eb0 = 0, eb1 = 0, eb2 = 0, ea1 = 0, ea2 = 0;
    double lb0 = 0, lb1 = 0, lb2 = 0, la1 = 0, la2 = 0;
    double target = 0, knee = 0, releaseCoef = 0, trim = 0, outGain = 0, attackCoef = 0;
    double emphasisAmount = 0;
    bool lowCutMain = false, lowCutSide = false;
    // State.
    double inL1 = 0, inR1 = 0, monoCount = 0;
    bool mono = false;
    unsigned random = 1;
    double lx1[2] = {0, 0}, lx2[2] = {0, 0}, ly1[2] = {0, 0}, ly2[2] = {0, 0};
    double ex1 = 0, ex2 = 0, ey1 = 0, ey2 = 0;
    double slow = 0, e1 = 0, e2 = 0, e3 = 0;
    double lineL[65] = {}, lineR[65] = {};
    int posL = 0, posR = 0;
};

// Seconds the floor loop takes for `frames` frames of `left`/`right` in blocks of `block`.
double timeLevellerFloor(CLevellerFloor& floor, const float* left, const float* right,
                         long long frames, int block);
