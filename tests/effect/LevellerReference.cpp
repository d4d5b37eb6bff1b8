#include "tests/effect/LevellerReference.h"

#include <cmath>

double Opaque(double x)
{
    volatile double hidden = x;
    return hidden;
}

CLevellerReference::CLevellerReference(double sampleRateIn, const double (&slidersIn)[11])
{
    const double sr = Opaque(sampleRateIn);
    double s[11];
    for (int k = 0; k < 11; ++k)
        s[k] = Opaque(slidersIn[k]);

    // Set-up that depends on the sample rate only.
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

    // Slider code (only in-range integer settings are used by the tests).
    target = std::pow(10, s[5] / 20);
    knee = std::pow(10, (s[5] - s[6]) / 20);
    const double recoveries[] = {100, 10, 5, 1, 0.5, 0.25, 0.15, 0.1, 0.08, 0.06, 0.03};
    recovery = recoveries[static_cast<int>(std::lround(s[7] + 10))];
    releaseCoef = std::exp(-1 / (recovery * sr));
    trim = recovery == 100 ? 0.00003 : 0;
    outGain = std::pow(10, s[9] / 20);
    const int lc = static_cast<int>(std::lround(s[3]));
    const double freqs[] = {0, 20, 40, 60, 60, 60, 60, 60, 60};
    const double damps[] = {0, 1.42, 1.42, 1.75, 2, 3, 4, 6, 8};
    lcFreq = freqs[lc];
    lcDamp = damps[lc];
    lcT = lc == 8 ? std::tan(188.49555921538757 / sr) : std::tan(3.141592653589793 * lcFreq / sr);
    const double lv = 1 / (lcDamp * lcT + 1 + lcT * lcT);
    lb0 = lv;
    lb1 = -2 * lv;
    lb2 = lv;
    la1 = 2 * (lcT * lcT - 1) * lv;
    la2 = (lcT * lcT + 1 - lcDamp * lcT) * lv;
    const double attacks[] = {0, 0.00025, 0.0005, 0.001, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1};
    attack = attacks[static_cast<int>(std::lround(s[4]))];
    attackCoef = std::exp(-1 / (sr * attack));
    emphasisAmount = std::fmin(10, 3.16 * std::pow(0.1 * s[8], 0.65) + 2000 * attack);
    lowCutMain = lc != 0 && s[2] == 0;
    lowCutSide = lc != 0 && s[2] != 0;
}

void CLevellerReference::BeginBlock(double ditherOfBlock)
{
    if (monoCount < 32)
    {
        if (std::fabs(inL - inR) < 0.00001)
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
    dither = ditherOfBlock;
}

void CLevellerReference::Frame(double inLeft, double inRight, double& outLeft, double& outRight)
{
    inL = inLeft + dither;
    inR = inRight + dither;
    double sigL = inL;
    double sigR = inR;

    if (lowCutMain)
    {
        double y = lb0 * sigL + lb1 * lx1[0] + lb2 * lx2[0] - la1 * ly1[0] - la2 * ly2[0];
        lx2[0] = lx1[0];
        lx1[0] = sigL;
        ly2[0] = ly1[0];
        ly1[0] = y;
        sigL = y;
        if (mono)
        {
            sigR = sigL;
        }
        else
        {
            y = lb0 * sigR + lb1 * lx1[1] + lb2 * lx2[1] - la1 * ly1[1] - la2 * ly2[1];
            lx2[1] = lx1[1];
            lx1[1] = sigR;
            ly2[1] = ly1[1];
            ly1[1] = y;
            sigR = y;
        }
    }

    double side = std::fabs(sigL) < std::fabs(sigR) ? sigR : sigL;
    if (std::fabs(emphasisAmount) >= 0.00001)
    {
        const double y = eb0 * side + eb1 * ex1 + eb2 * ex2 - ea1 * ey1 - ea2 * ey2;
        ex2 = ex1;
        ex1 = side;
        ey2 = ey1;
        ey1 = y;
        side = side + emphasisAmount * y;
    }
    if (lowCutSide)
    {
        const double y = lb0 * side + lb1 * lx1[0] + lb2 * lx2[0] - la1 * ly1[0] - la2 * ly2[0];
        lx2[0] = lx1[0];
        lx1[0] = side;
        ly2[0] = ly1[0];
        ly1[0] = y;
        side = y;
    }
    const double level = std::fabs(side);

    slow = level > slow ? level : level + (slow - level) * (smooth200 - trim);
    const double releaseNow = releaseCoef / (slow * releaseScale + 1);
    e1 = level > e1 ? level + (e1 - level) * attackCoef : level + (e1 - level) * releaseNow;
    e2 = e1 > e2 ? e1 : e1 + (e2 - e1) * smooth20;
    e3 = e2 > e3 ? e2 : e2 + (e3 - e2) * smooth20;
    gain = target / (e3 + knee);

    lineL[posL] = sigL;
    posL = posL + 1 <= 64 ? posL + 1 : 0;
    const double dL = lineL[posL];
    lineR[posR] = sigR;
    posR = posR + 1 <= 64 ? posR + 1 : 0;
    const double dR = lineR[posR];

    outLeft = gain * dL * outGain;
    outRight = gain * dR * outGain;
}
