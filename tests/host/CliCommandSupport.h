#pragma once
// What the end-to-end tests of quar2-host's commands share: the plug-ins they drive and small
// helpers for generated audio and for the program's messages.

#include "CliTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

inline const std::string kPlugin = QUAR2_TEST_PLUGIN;
inline const std::string kNullPlugin = QUAR2_NULL_PLUGIN;
inline const std::string kZam = "/usr/lib/vst/ZamCompX2-vst.so";
inline const std::string kLsp = "/usr/lib/vst/lsp-plugins/compressor-stereo.so";
constexpr int kTestDelay = 100; // the test plug-in's latency

// A stereo float file with one impulse of `height` at `at` (left) and half of it (right).
inline Audio impulse(long long frames, long long at, float height = 0.5f)
{
    Audio a;
    a.samples.assign(size_t(frames * 2), 0.0f);
    a.samples[size_t(at * 2)] = height;
    a.samples[size_t(at * 2 + 1)] = height / 2;
    return a;
}

inline long long peakFrame(const Audio& a, int channel = 0)
{
    long long best = -1;
    float peak = 0;
    for (long long i = 0; i < a.frames(); ++i)
    {
        const float v = std::fabs(a.samples[size_t(i * a.channels + channel)]);
        if (v > peak)
        {
            peak = v;
            best = i;
        }
    }
    return best;
}

inline int lineCount(const std::string& text)
{
    return int(std::count(text.begin(), text.end(), '\n'));
}

// A failing command: one line on standard error and status 1.
inline void expectOneLineFailure(const RunResult& r, const std::string& mention)
{
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(lineCount(r.err), 1) << r.err;
    EXPECT_EQ(r.err.rfind("quar2-host: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(mention), std::string::npos) << r.err;
}
