#include "host/cli/LevellerFloor.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

#include "effect/LevellerFrameStep.h"

namespace
{

// Keeps the default settings from being folded into constants at compile time, so the
// coefficients come from the same library functions as in the plug-in.
double opaque(double x)
{
    volatile double hidden = x;
    return hidden;
}

} // namespace

CLevellerFloor::CLevellerFloor(double sampleRate)
{
    const double sr = opaque(sampleRate);
    // Default settings: side-chain filter off, low-cut off, attack "Zero", push down 0 dB, pull
    // up 0 dB, recovery 0.25 s, emphasis 0, output 0 dB.
    const double lowCut = opaque(0), sideChain = opaque(0), attack = opaque(0);
    const double pushDown = opaque(0), pullUp = opaque(0), recovery = opaque(0.25);
    const double emphasis = opaque(0), output = opaque(0);

    smooth20 = std::exp(-1 / (0.02 * sr));
    smooth200 = std::exp(-1 / (0.2 * sr));
    releaseScale = 44100 / sr * 0.0003;
    const double u = std::tan(6283.185307179586 / sr);
    const double ev = 1 / (5 * u + 1 + u * u);
    eb0 = ev;
    eb1 = -2 * ev;
    eb2 = ev;
    ea1 = 2 * (u * u - 1) * ev;
    ea2 = (u * u + 1 - 5 * u) * ev;

    target = std::pow(10, pushDown / 20);
    knee = std::pow(10, (pushDown - pullUp) / 20);
    releaseCoef = std::exp(-1 / (recovery * sr));
    trim = recovery == 100 ? 0.00003 : 0;
    outGain = std::pow(10, output / 20);
    // Low-cut "Off" keeps the 0 Hz corner of a freshly opened plug-in.
    const double t = std::tan(3.141592653589793 * 0 / sr);
    const double lv = 1 / (0 * t + 1 + t * t);
    lb0 = lv;
    lb1 = -2 * lv;
    lb2 = lv;
    la1 = 2 * (t * t - 1) * lv;
    la2 = (t * t + 1 - 0 * t) * lv;
    attackCoef = attack == 0 ? 0.0 : std::exp(-1 / (sr * attack));
    emphasisAmount = std::fmin(10, 3.16 * std::pow(0.1 * emphasis, 0.65) + 2000 * attack);
    lowCutMain = lowCut != 0 && sideChain == 0;
    lowCutSide = lowCut != 0 && sideChain != 0;
}

void CLevellerFloor::process(const float* inLeft, const float* inRight, float* outLeft,
                             float* outRight, int frames)
{
    // Once per block: mono detection and a new dither offset.
    if (monoCount < 32)
    {
        if (std::fabs(inL1 - inR1) < 0.00001)
        {
            monoCount = monoCount + 1;
        }
        else
        {
            monoCount = 0;
            mono = false;
        }
    }
    else
    {
        monoCount = 0;
        mono = true;
    }
    random = random * 214013u + 2531011u;
    const double dither = double((random >> 16) & 0x7FFF) / 32767.0 * 1e-15;

    double inL = inL1, inR = inR1;
    double lx10 = lx1[0], lx20 = lx2[0], ly10 = ly1[0], ly20 = ly2[0];
    double lx11 = lx1[1], lx21 = lx2[1], ly11 = ly1[1], ly21 = ly2[1];
    double ex1l = ex1, ex2l = ex2, ey1l = ey1, ey2l = ey2;
    const LevellerLaw law{smooth200 - trim, releaseCoef, releaseScale, attackCoef, smooth20,
                          target,           knee,        0.0,          0.0};
    LevellerFollowers followers{slow, e1, e2, e3, 0.0};
    int pL = posL, pR = posR;
    for (int i = 0; i < frames; ++i)
    {
        inL = double(inLeft[i]) + dither;
        inR = double(inRight[i]) + dither;
        double sigL = inL;
        double sigR = inR;
        if (lowCutMain)
        {
            double y = lb0 * sigL + lb1 * lx10 + lb2 * lx20 - la1 * ly10 - la2 * ly20;
            lx20 = lx10;
            lx10 = sigL;
            ly20 = ly10;
            ly10 = y;
            sigL = y;
            if (mono)
            {
                sigR = sigL;
            }
            else
            {
                y = lb0 * sigR + lb1 * lx11 + lb2 * lx21 - la1 * ly11 - la2 * ly21;
                lx21 = lx11;
                lx11 = sigR;
                ly21 = ly11;
                ly11 = y;
                sigR = y;
            }
        }
        double side = LevellerDetectorInput(sigL, sigR);
        if (!(emphasisAmount > -0.00001 && emphasisAmount < 0.00001))
        {
            const double y = eb0 * side + eb1 * ex1l + eb2 * ex2l - ea1 * ey1l - ea2 * ey2l;
            ex2l = ex1l;
            ex1l = side;
            ey2l = ey1l;
            ey1l = y;
            side = LevellerEmphasise(side, emphasisAmount, y);
        }
        if (lowCutSide)
        {
            const double y = lb0 * side + lb1 * lx10 + lb2 * lx20 - la1 * ly10 - la2 * ly20;
            lx20 = lx10;
            lx10 = side;
            ly20 = ly10;
            ly10 = y;
            side = y;
        }
        const double gain = LevellerGainStep<false>(law, followers, side).gain;

        lineL[pL] = sigL;
        pL = pL + 1 <= 64 ? pL + 1 : 0;
        const double dL = lineL[pL];
        lineR[pR] = sigR;
        pR = pR + 1 <= 64 ? pR + 1 : 0;
        const double dR = lineR[pR];
        outLeft[i] = float(gain * dL * outGain);
        outRight[i] = float(gain * dR * outGain);
    }
    inL1 = inL;
    inR1 = inR;
    lx1[0] = lx10, lx2[0] = lx20, ly1[0] = ly10, ly2[0] = ly20;
    lx1[1] = lx11, lx2[1] = lx21, ly1[1] = ly11, ly2[1] = ly21;
    ex1 = ex1l, ex2 = ex2l, ey1 = ey1l, ey2 = ey2l;
    slow = followers.slowLevel, e1 = followers.env1, e2 = followers.env2, e3 = followers.env3;
    posL = pL;
    posR = pR;
}

double timeLevellerFloor(CLevellerFloor& floor, const float* left, const float* right,
                         long long frames, int block)
{
    block = std::max(block, 1);
    const size_t blockFrames = static_cast<size_t>(block);
    std::vector<float> outL(blockFrames), outR(blockFrames);
    const auto start = std::chrono::steady_clock::now();
    for (long long at = 0; at < frames; at += block)
    {
        const int n = int(std::min<long long>(block, frames - at));
        floor.process(left + at, right + at, outL.data(), outR.data(), n);
        // Read back, so that no output store counts as unused.
        volatile float sink = outL[0] + outR[size_t(n - 1)];
        (void)sink;
    }
    const auto stop = std::chrono::steady_clock::now();
    return std::chrono::duration<double>(stop - start).count();
}
