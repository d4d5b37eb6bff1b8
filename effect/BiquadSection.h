#pragma once
// One second-order filter section of the leveller: the two low-cut filters and the side-chain
// emphasis filter are all second-order high-passes in bilinear form. The coefficients and the
// state are script variables (shared doubles, all 0 after open): the slider code and the init
// hook write the coefficients from their threads, the audio thread the state.

#include <cfloat>
#include <cmath>

#include "runtime/SharedDouble.h"

// The five coefficients of one section, always handed on together (see LevellerCoefficients.h).
struct BiquadCoefficients
{
    double b0 = 0.0;
    double b1 = 0.0;
    double b2 = 0.0;
    double a1 = 0.0;
    double a2 = 0.0;

    // [any thread] High-pass coefficients for the pre-warped corner t = tan(pi * f / rate) and
    // the damping (1.42 .. 8 for the low-cut, 5 for the emphasis filter). Evaluated exactly in
    // this order so that every build gives the same bits.
    static BiquadCoefficients HighPass(double damping, double t)
    {
        BiquadCoefficients c;
        const double v = 1.0 / (damping * t + 1.0 + t * t);
        c.b0 = v;
        c.b1 = -2.0 * v;
        c.b2 = v;
        c.a1 = 2.0 * (t * t - 1.0) * v;
        c.a2 = (t * t + 1.0 - damping * t) * v;
        return c;
    }
};

// [audio thread] One step of a section: filters `x` with the coefficients `c`, moves the two
// previous inputs and outputs on and answers the new output. The one place the recursion is
// written, for the section itself and for a copy of its state held in locals.
inline double BiquadStep(const BiquadCoefficients& c, double x, double& x1, double& x2, double& y1,
                         double& y2)
{
    const double y = c.b0 * x + c.b1 * x1 + c.b2 * x2 - c.a1 * y1 - c.a2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return y;
}

struct BiquadSection
{
    // y = b0*x + b1*x1 + b2*x2 - a1*y1 - a2*y2
    SharedDouble b0 = 0.0;
    SharedDouble b1 = 0.0;
    SharedDouble b2 = 0.0;
    SharedDouble a1 = 0.0;
    SharedDouble a2 = 0.0;
    // Previous two inputs and previous two outputs.
    SharedDouble x1 = 0.0;
    SharedDouble x2 = 0.0;
    SharedDouble y1 = 0.0;
    SharedDouble y2 = 0.0;
    // The most recent output.
    SharedDouble out = 0.0;

    // [any thread] Stores the five coefficients (the script's copy the editor and tests read).
    void SetCoefficients(const BiquadCoefficients& c)
    {
        b0 = c.b0;
        b1 = c.b1;
        b2 = c.b2;
        a1 = c.a1;
        a2 = c.a2;
    }

    // [audio thread] Filters one sample with the coefficients `c` (a complete set handed over
    // by the slider code or the init hook) and moves the state on.
    double Run(const BiquadCoefficients& c, double x)
    {
        double px1 = x1, px2 = x2, py1 = y1, py2 = y2;
        const double y = BiquadStep(c, x, px1, px2, py1, py2);
        x1 = px1;
        x2 = px2;
        y1 = py1;
        y2 = py2;
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
        if (!std::isfinite(x1.load())) x1 = 0.0;
        if (!std::isfinite(x2.load())) x2 = 0.0;
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
    // The same for a script variable.
    static void SettleDecay(SharedDouble& v)
    {
        const double magnitude = std::fabs(v.load());
        if (magnitude != 0.0 && !(magnitude >= DBL_MIN && magnitude <= DBL_MAX)) v = 0.0;
    }
};
