// The CLAP adapter in this program, through its clap_plugin as a host calls it: what it asks of
// the host when the latency or the display changes, buffers a host may hand over (missing,
// mono, mixed sample sizes, longer than announced, empty), and no allocation while processing.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "clap/OstraClap.h"
#include "tests/clap/ClapTestHost.h"
#include "tests/effect/AllocationCounter.h"

namespace
{

const clap_plugin_descriptor kDescriptor = {
    CLAP_VERSION_OURS, "com.tesselaudio.quar2", "QUAR2", "", "", "", "", "1.0.0", "", nullptr};

struct Adapter
{
    Adapter()
    {
        object = new COstraClap(host.clapHost(), &kDescriptor); // the host's destroy deletes it
        std::string error;
        EXPECT_TRUE(host.adopt(object->clapPlugin(), error)) << error;
    }
    CClapTestHost host;
    COstraClap* object = nullptr;
};

clap_audio_buffer Buffer(float** data32, double** data64, uint32_t channels)
{
    clap_audio_buffer b{};
    b.data32 = data32;
    b.data64 = data64;
    b.channel_count = channels;
    b.constant_mask = ~0ull;
    return b;
}

} // namespace

TEST(ClapAdapter, LatencyChangesOnlyThroughARestartAndDisplayChangesThroughTheMainThread)
{
    Adapter a;
    a.object->latencyChanged(80);
    EXPECT_EQ(a.host.restartRequests, 0) << "inactive: the next activation reports it";
    ASSERT_TRUE(a.host.start(44100.0, 256));
    EXPECT_EQ(a.host.latencyChanges, 0) << "the host has not been told another latency before";
    a.object->latencyChanged(80);
    a.object->latencyChanged(96);
    EXPECT_EQ(a.host.restartRequests, 1) << "one request until the host restarts";
    a.host.stop();
    ASSERT_TRUE(a.host.start(44100.0, 256));
    a.object->latencyChanged(80);
    EXPECT_EQ(a.host.restartRequests, 2);

    const int before = a.host.rescans;
    a.object->displayChanged();
    EXPECT_EQ(a.host.rescans, before) << "not from the caller's thread";
    a.host.plugin()->on_main_thread(a.host.plugin());
    EXPECT_EQ(a.host.rescans, before + 1);
    EXPECT_EQ(a.host.misbehaviours(), 0);
}

TEST(ClapAdapter, AnyBuffersAHostHandsOverAreSafeAndProcessedWithoutAllocation)
{
    constexpr uint32_t kFrames = 3000; // more than the 1024 announced: cut into parts
    Adapter a, b;
    ASSERT_TRUE(a.host.start(44100.0, 1024));
    ASSERT_TRUE(b.host.start(44100.0, 1024));
    std::vector<float> left(kFrames), right(kFrames);
    for (uint32_t i = 0; i < kFrames; ++i)
    {
        left[i] = 0.5f * float((i * 7919) % 200) / 200.0f - 0.25f;
        right[i] = -left[i];
    }
    std::vector<double> left64(left.begin(), left.end()), right64(right.begin(), right.end());

    // Float in, float out against double in, float out: the same numbers, the same audio.
    std::vector<float> outA[2] = {std::vector<float>(kFrames), std::vector<float>(kFrames)};
    std::vector<float> outB[2] = {std::vector<float>(kFrames), std::vector<float>(kFrames)};
    float* in32[2] = {left.data(), right.data()};
    double* in64[2] = {left64.data(), right64.data()};
    float* pa[2] = {outA[0].data(), outA[1].data()};
    float* pb[2] = {outB[0].data(), outB[1].data()};
    clap_audio_buffer ia = Buffer(in32, nullptr, 2), oa = Buffer(pa, nullptr, 2);
    clap_audio_buffer ib = Buffer(nullptr, in64, 2), ob = Buffer(pb, nullptr, 2);
    clap_process p{};
    p.frames_count = kFrames;
    p.audio_inputs_count = p.audio_outputs_count = 1;

    StartCountingAllocations();
    p.audio_inputs = &ia;
    p.audio_outputs = &oa;
    const clap_process_status sa = a.host.processRaw(p);
    p.audio_inputs = &ib;
    p.audio_outputs = &ob;
    const clap_process_status sb = b.host.processRaw(p);
    EXPECT_EQ(StopCountingAllocations(), 0) << "allocation while processing";
    EXPECT_EQ(sa, CLAP_PROCESS_CONTINUE);
    EXPECT_EQ(sb, CLAP_PROCESS_CONTINUE);
    EXPECT_EQ(outA[0], outB[0]);
    EXPECT_EQ(outA[1], outB[1]);
    EXPECT_NE(outA[0], std::vector<float>(kFrames)) << "sound came out";
    EXPECT_EQ(oa.constant_mask, 0u) << "outputs are not constant";

    // No inputs at all: silence in; a mono output: its one channel written, nothing beyond; no
    // outputs, null channel pointers, no frames: nothing done, nothing broken.
    std::vector<float> mono(kFrames + 1, 7.0f);
    float* pm[1] = {mono.data()};
    clap_audio_buffer om = Buffer(pm, nullptr, 1);
    clap_process q{};
    q.frames_count = kFrames;
    q.audio_outputs = &om;
    q.audio_outputs_count = 1;
    EXPECT_EQ(a.host.processRaw(q), CLAP_PROCESS_CONTINUE);
    EXPECT_NE(mono[kFrames - 1], 7.0f);
    EXPECT_EQ(mono[kFrames], 7.0f);
    float* nulls[2] = {nullptr, nullptr};
    clap_audio_buffer on = Buffer(nulls, nullptr, 2);
    q.audio_outputs = &on;
    EXPECT_EQ(a.host.processRaw(q), CLAP_PROCESS_CONTINUE);
    q.audio_outputs_count = 0;
    q.audio_outputs = nullptr;
    EXPECT_EQ(a.host.processRaw(q), CLAP_PROCESS_CONTINUE);
    q.frames_count = 0;
    EXPECT_EQ(a.host.processRaw(q), CLAP_PROCESS_CONTINUE);
    EXPECT_EQ(a.host.misbehaviours(), 0);
}
