// The audio bridge's last step: values the host's sample format cannot hold never reach the
// host. A probe runtime doubles each sample (plus the channel number), so its output for
// chosen inputs is known; NaN and infinity come out as silence, finite values beyond float's
// range saturate in the float path, and everything representable passes bit for bit.

#include "tests/plugin/ProbeRuntime.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

TEST(OutputGuard, NonFiniteAndOverflowingValuesStayOut)
{
    auto* runtime = new ProbeRuntime(2);
    ProbeInstance instance(runtime);
    AEffect* e = instance.effect();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    // Left: NaN, inf, 2 * FLT_MAX (finite in double), a normal value, a subnormal.
    // Right (plus 1 after doubling): -inf, -FLT_MAX, 0.25.
    float l[5] = {nan, inf, FLT_MAX, 0.375f, 1e-40f};
    float r[5] = {-inf, -FLT_MAX, 0.25f, -0.5f, 0.0f};
    float ol[5], orr[5];
    float* in[2] = {l, r};
    float* out[2] = {ol, orr};
    e->processReplacing(e, in, out, 5);
    EXPECT_EQ(ol[0], 0.0f);
    EXPECT_EQ(ol[1], 0.0f);
    EXPECT_EQ(ol[2], FLT_MAX);
    EXPECT_EQ(ol[3], 0.75f);
    EXPECT_EQ(ol[4], static_cast<float>(2.0 * static_cast<double>(l[4]))); // stays subnormal
    EXPECT_EQ(orr[0], 0.0f);
    EXPECT_EQ(orr[1], -FLT_MAX); // -2 * FLT_MAX + 1 saturates to the negative limit
    EXPECT_EQ(orr[2], 1.5f);
    EXPECT_EQ(orr[3], 0.0f);
    EXPECT_EQ(orr[4], 1.0f);

    // The double path: NaN and infinity silenced, the largest doubles pass.
    runtime->identity = true;
    double dl[3] = {std::nan(""), -HUGE_VAL, DBL_MAX};
    double dr[3] = {-DBL_MAX, 5e-324, 0.1};
    double dol[3], dor[3];
    double* din[2] = {dl, dr};
    double* dout[2] = {dol, dor};
    e->processDoubleReplacing(e, din, dout, 3);
    EXPECT_EQ(dol[0], 0.0);
    EXPECT_EQ(dol[1], 0.0);
    EXPECT_EQ(dol[2], DBL_MAX);
    EXPECT_EQ(dor[0], -DBL_MAX);
    EXPECT_EQ(dor[1], 5e-324);
    EXPECT_EQ(dor[2], 0.1);

    // More than two channels take the general path, with the same guard.
    auto* wide = new ProbeRuntime(3);
    ProbeInstance three(wide);
    AEffect* w = three.effect();
    float a[1] = {nan}, b[1] = {FLT_MAX}, c[1] = {1.0f};
    float oa[1], ob[1], oc[1];
    float* win[3] = {a, b, c};
    float* wout[3] = {oa, ob, oc};
    w->processReplacing(w, win, wout, 1);
    EXPECT_EQ(oa[0], 0.0f);
    EXPECT_EQ(ob[0], FLT_MAX);
    EXPECT_EQ(oc[0], 4.0f);
}
