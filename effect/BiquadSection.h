#pragma once
// One second-order filter section of the leveller: the two low-cut filters and the side-chain
// emphasis filter are all second-order high-passes in bilinear form. The coefficients and the
// state are script variables (doubles, all 0 after open).

#include <cfloat>
#include <cmath>

struct BiquadSection
{
    // y = b0*x + b1*x1 + b2*x2 - a1*y1 - a2*y2
    double b0 = 0.0;
    double b1 = 0.0;
    double b2 = 0.0;
    double a1 = 0.0;
    double a2 = 0.0;
    // Previous two inputs and previous two outputs.
    double x1 = 0.0;
    double x2 = 0.0;
    double y1 = 0.0;
    double y2 = 0.0;
    // The most recent output.
    double out = 0.0;

    // [any thread] High-pass coefficients for the pre-warped corner t = tan(pi * f / rate) and
    // the damping (1.42 .. 8 for the low-cut, 5 for the emphasis filter). Evaluated exactly in
    // this order so that every build gives the same bits.
    void SetHighPass(double damping, double t)
    {
        const double v = 1.0 / (damping * t + 1.0 + t * t);
        b0 = v;
        b1 = -2.0 * v;
        b2 = v;
        a1 = 2.0 * (t * t - 1.0) * v;
        a2 = (t * t + 1.0 - damping * t) * v;
    }

    // [audio thread] Filters one sample and moves the state on.
    double Run(double x)
    {
        const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        out = y;
        return y;
    }

    // [audio thread] Keeps the state usable after every sample. A NaN or infinite input leaves
    // NaN/infinity in the state forever (the recursion feeds it back), so such values restart
    // from 0. A decaying output tail that has sunk below the smallest normal double is also set
    // to 0: subnormal arithmetic is very slow on most processors, and at that size the value is
    // absorbed by any normal-sized input, so normal input gives the same bits either way. The
    // input history is only reset when it is not finite: it is the signal itself, not a decay.
    void Settle()
    {
        if (!std::isfinite(x1)) x1 = 0.0;
        if (!std::isfinite(x2)) x2 = 0.0;
        SettleDecay(y1);
        SettleDecay(y2);
    }

    // [audio thread] Sets a decaying state value to 0 when it is NaN, infinite or subnormal;
    // leaves every normal value and both zeros untouched.
    static void SettleDecay(double& v)
    {
        const double magnitude = std::fabs(v);
        if (magnitude != 0.0 && !(magnitude >= DBL_MIN && magnitude <= DBL_MAX)) v = 0.0;
    }
};
