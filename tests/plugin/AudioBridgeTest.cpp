// The audio bridge in process, around a probe runtime whose sample hook doubles each channel
// and adds its number: block and sample hook counts, the two-channel and the general paths, in
// place and separate buffers, exactness of the float and double paths, channel counts of 0 and
// above the script's 64, and buffers a broken host leaves out.

#include "tests/plugin/ProbeRuntime.h"

#include <gtest/gtest.h>

#include <vector>

TEST(AudioBridge, TwoChannelsFrameByFrame)
{
    auto* runtime = new ProbeRuntime(2);
    ProbeInstance instance(runtime);
    AEffect* e = instance.effect();
    float l[3] = {1.0f, 2.0f, 3.0f}, r[3] = {-1.0f, 0.5f, 0.25f};
    float ol[3] = {}, orr[3] = {};
    float* in[2] = {l, r};
    float* out[2] = {ol, orr};
    e->processReplacing(e, in, out, 3);
    EXPECT_EQ(runtime->blocks, 1);
    EXPECT_EQ(runtime->frames, 3);
    const float wantL[3] = {2.0f, 4.0f, 6.0f}, wantR[3] = {-1.0f, 2.0f, 1.5f};
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(ol[i], wantL[i]);
        EXPECT_EQ(orr[i], wantR[i]);
    }
    // In place: each frame's inputs are read before its outputs are written.
    e->processReplacing(e, in, in, 3);
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(l[i], wantL[i]);
        EXPECT_EQ(r[i], wantR[i]);
    }
    // 0 or fewer frames: the block hook only, buffers untouched.
    e->processReplacing(e, in, out, 0);
    e->processReplacing(e, in, out, -7);
    EXPECT_EQ(runtime->blocks, 4);
    EXPECT_EQ(runtime->frames, 6);
    EXPECT_EQ(ol[0], 2.0f);
    // The deprecated accumulating call does nothing at all.
    e->process(e, in, out, 3);
    EXPECT_EQ(runtime->blocks, 4);
    EXPECT_EQ(ol[0], 2.0f);
}

TEST(AudioBridge, ValuesPassExactly)
{
    auto* runtime = new ProbeRuntime(2);
    runtime->identity = true;
    ProbeInstance instance(runtime);
    AEffect* e = instance.effect();
    float f[2] = {1.0f, 1.0e-40f}; // also a float subnormal: widened and narrowed back exactly
    float fo[2] = {};
    float* fin[2] = {f, f + 1};
    float* fout[2] = {fo, fo + 1};
    e->processReplacing(e, fin, fout, 1);
    EXPECT_EQ(fo[0], 1.0f);
    EXPECT_EQ(fo[1], 1.0e-40f);
    double d[2] = {0.1 + 1e-17, -3.0e-310};
    double dout[2] = {};
    double* din[2] = {d, d + 1};
    double* douts[2] = {dout, dout + 1};
    e->processDoubleReplacing(e, din, douts, 1);
    EXPECT_EQ(dout[0], d[0]);
    EXPECT_EQ(dout[1], d[1]);
    // The channel variables keep the last frame between blocks.
    EXPECT_EQ(runtime->samples[0], d[0]);
}

TEST(AudioBridge, OtherChannelCounts)
{
    {
        auto* runtime = new ProbeRuntime(3);
        ProbeInstance instance(runtime);
        AEffect* e = instance.effect();
        std::vector<double> in0 = {1, 2}, in1 = {3, 4}, in2 = {5, 6};
        std::vector<double> o0(2), o1(2), o2(2);
        double* in[3] = {in0.data(), in1.data(), in2.data()};
        double* out[3] = {o0.data(), o1.data(), o2.data()};
        e->processDoubleReplacing(e, in, out, 2);
        EXPECT_EQ(o0, (std::vector<double>{2, 4}));
        EXPECT_EQ(o1, (std::vector<double>{7, 9}));
        EXPECT_EQ(o2, (std::vector<double>{12, 14}));
    }
    {
        // No channels: the sample hook still runs once per frame; nothing is moved.
        auto* runtime = new ProbeRuntime(0);
        ProbeInstance instance(runtime);
        AEffect* e = instance.effect();
        e->processReplacing(e, nullptr, nullptr, 5);
        EXPECT_EQ(runtime->frames, 5);
        EXPECT_EQ(runtime->blocks, 1);
    }
    {
        // More channels than the script's 64 channel variables: the first 64 are moved, the
        // others are left alone.
        auto* runtime = new ProbeRuntime(70);
        ProbeInstance instance(runtime);
        AEffect* e = instance.effect();
        std::vector<std::vector<float>> in(70, std::vector<float>(2, 1.0f));
        std::vector<std::vector<float>> out(70, std::vector<float>(2, -9.0f));
        std::vector<float*> inPtr, outPtr;
        for (int c = 0; c < 70; ++c)
        {
            inPtr.push_back(in[c].data());
            outPtr.push_back(out[c].data());
        }
        e->processReplacing(e, inPtr.data(), outPtr.data(), 2);
        EXPECT_EQ(out[0][1], 2.0f);
        EXPECT_EQ(out[63][1], 2.0f + 63.0f);
        EXPECT_EQ(out[64][1], -9.0f);
        EXPECT_EQ(out[69][0], -9.0f);
    }
}

TEST(AudioBridge, MissingBuffersRunTheBlockHookOnly)
{
    auto* runtime = new ProbeRuntime(2);
    ProbeInstance instance(runtime);
    AEffect* e = instance.effect();
    float a[4] = {1, 1, 1, 1};
    float* partial[2] = {a, nullptr};
    float* full[2] = {a, a};
    e->processReplacing(e, nullptr, full, 4);
    e->processReplacing(e, full, nullptr, 4);
    e->processReplacing(e, partial, full, 4);
    e->processReplacing(e, full, partial, 4);
    double* none[2] = {nullptr, nullptr};
    e->processDoubleReplacing(e, none, none, 4);
    EXPECT_EQ(runtime->blocks, 5);
    EXPECT_EQ(runtime->frames, 0);
    EXPECT_EQ(a[3], 1.0f);
}
