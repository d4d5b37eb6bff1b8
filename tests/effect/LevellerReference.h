#pragma once
// An independent, deliberately plain evaluation of the leveller's formulas, used to check the
// effect bit for bit. It shares no code with the effect: every formula is written out once more,
// one operation at a time in the written order. Slider values and the sample rate pass through
// Opaque() so that the compiler cannot fold them into constants (its constant folding of exp,
// tan and pow is exact, the library's may differ in the last bit).

#include <cstdint>

// Answers x through a volatile, which hides its value from the optimiser.
double Opaque(double x);

class CLevellerReference
{
  public:
    // sliders[k] for k = 2..10; sampleRate in Hz.
    CLevellerReference(double sampleRate, const double (&sliders)[11]);

    // Start of a block: mono detection from the previous frame's inputs; the block's dither is
    // taken as given (the effect draws it from its generator).
    void BeginBlock(double ditherOfBlock);
    // One frame.
    void Frame(double inLeft, double inRight, double& outLeft, double& outRight);

    // Coefficients (public so tests can compare them with the effect's).
    double smooth20 = 0, smooth200 = 0, releaseScale = 0;
    double eb0 = 0, eb1 = 0, eb2 = 0, ea1 = 0, ea2 = 0;
    double target = 0, knee = 0, recovery = 0, releaseCoef = 0, trim = 0, outGain = 0;
    double lcFreq = 0, lcDamp = 0, lcT = 0;
    double lb0 = 0, lb1 = 0, lb2 = 0, la1 = 0, la2 = 0;
    double attack = 0, attackCoef = 0, emphasisAmount = 0;
    bool lowCutMain = false, lowCutSide = false;

    // State.
    double dither = 0, inL = 0, inR = 0, gain = 0;
    double monoCount = 0;
    bool mono = false;

  private:
    double lx1[2] = {0, 0}, lx2[2] = {0, 0}, ly1[2] = {0, 0}, ly2[2] = {0, 0};
    double ex1 = 0, ex2 = 0, ey1 = 0, ey2 = 0;
    double slow = 0, e1 = 0, e2 = 0, e3 = 0;
    double lineL[65] = {}, lineR[65] = {};
    int posL = 0, posR = 0;
};
