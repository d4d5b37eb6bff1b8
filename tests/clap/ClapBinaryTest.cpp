// The built QUAR2.clap (Linux natively, Windows under Wine) in the tests' own CLAP host, against
// the built VST 2.4 plug-in of the same platform loaded in the same program: what a host reads
// (descriptor, ports, parameters, latency), the audio bit for bit at several settings and block
// sizes, parameter events inside a block landing at their sample, the state across the formats,
// and the host's misbehaviour logged and survived.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "host/lib/HostCallback.h"
#include "host/lib/VstLibrary.h"
#include "host/lib/VstPlugin.h"
#include "tests/clap/ClapTestHost.h"
#include "tests/plugin/BuiltPlugin.h"

namespace
{

constexpr double kRate = 44100.0;
// Host parameter ids (= VST 2.4 indexes).
constexpr clap_id kLfFilter = 1, kAttack = 2, kPushDown = 3, kPullUp = 4, kRecovery = 5,
                  kEmphasis = 6, kOutput = 7, kBrake = 9;

struct Setting
{
    clap_id id;
    double plain;
};

template <typename T> using Signal = std::vector<std::vector<T>>;

class ClapBinary : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(module.open(QUAR2_CLAP_PATH, error)) << error;
        ASSERT_TRUE(vstLibrary.open(QUAR2_PLUGIN_PATH)) << vstLibrary.error();
        vstHost.timeInfoAvailable = false; // the CLAP host below sends no transport either
    }
    void TearDown() override
    {
        vst.reset();
        vstLibrary.close();
    }

    std::unique_ptr<CClapTestHost> makeClap(uint32_t block, const std::vector<Setting>& settings)
    {
        auto clap = std::make_unique<CClapTestHost>();
        std::string error;
        EXPECT_TRUE(clap->create(module, error)) << error;
        std::vector<TClapParamChange> changes;
        for (const Setting& s : settings)
            changes.push_back({0, s.id, s.plain});
        clap->flush(changes); // inactive: on the main thread
        EXPECT_TRUE(clap->start(kRate, block));
        return clap;
    }
    // The normalised value of a plain one, from the range the CLAP plug-in reports.
    double normalized(CClapTestHost& clap, clap_id id, double plain)
    {
        const auto* params = clap.extension<clap_plugin_params>(CLAP_EXT_PARAMS);
        clap_param_info info{};
        EXPECT_TRUE(params->get_info(clap.plugin(), id, &info));
        return (plain - info.min_value) / (info.max_value - info.min_value);
    }
    CVstPlugin* makeVst(CClapTestHost& clap, int32_t block, const std::vector<Setting>& settings)
    {
        std::string error;
        vst = CVstPlugin::create(vstLibrary.entry("VSTPluginMain"), vstHost, error);
        EXPECT_TRUE(vst) << error;
        if (!vst) return nullptr;
        vst->open();
        vst->setSampleRate(float(kRate));
        vst->setBlockSize(block);
        for (const Setting& s : settings)
            vst->setParameter(VstInt32(s.id), float(normalized(clap, s.id, s.plain)));
        vst->resume();
        return vst.get();
    }

    CClapModule module;
    CVstLibrary vstLibrary;
    CHostCallback vstHost;
    std::unique_ptr<CVstPlugin> vst;
};

template <typename T> Signal<T> Speech(size_t frames)
{
    const auto floats = SpeechLikeSignal(frames);
    return {std::vector<T>(floats[0].begin(), floats[0].end()),
            std::vector<T>(floats[1].begin(), floats[1].end())};
}

// The whole signal through the CLAP plug-in in blocks of `block`, with `changes` (times within
// the signal) as events of the blocks they fall in.
template <typename T>
Signal<T> ThroughClap(CClapTestHost& clap, const Signal<T>& in, uint32_t block,
                      const std::vector<TClapParamChange>& changes = {})
{
    Signal<T> out(2, std::vector<T>(in[0].size()));
    for (size_t start = 0; start < in[0].size(); start += block)
    {
        const auto n = uint32_t(std::min<size_t>(block, in[0].size() - start));
        std::vector<TClapParamChange> events;
        for (const TClapParamChange& c : changes)
            if (c.time >= start && c.time < start + n)
                events.push_back({uint32_t(c.time - start), c.id, c.value});
        T* const ins[2] = {const_cast<T*>(in[0].data()) + start,
                           const_cast<T*>(in[1].data()) + start};
        T* const outs[2] = {out[0].data() + start, out[1].data() + start};
        EXPECT_EQ(clap.process(ins, outs, n, events), CLAP_PROCESS_CONTINUE);
    }
    return out;
}

// The same through the VST 2.4 plug-in, each block cut where a change falls and the change made
// between the two calls.
template <typename T>
Signal<T> ThroughVst(CVstPlugin& vst, const Signal<T>& in, size_t block,
                     const std::vector<std::pair<size_t, std::pair<VstInt32, float>>>& changes = {})
{
    Signal<T> out(2, std::vector<T>(in[0].size()));
    size_t next = 0;
    for (size_t start = 0; start < in[0].size(); start += block)
    {
        const size_t end = std::min(start + block, in[0].size());
        for (size_t at = start; at < end;)
        {
            while (next < changes.size() && changes[next].first <= at)
            {
                vst.setParameter(changes[next].second.first, changes[next].second.second);
                ++next;
            }
            const size_t stop =
                next < changes.size() ? std::min(end, std::max(changes[next].first, at + 1)) : end;
            T* ins[2] = {const_cast<T*>(in[0].data()) + at, const_cast<T*>(in[1].data()) + at};
            T* outs[2] = {out[0].data() + at, out[1].data() + at};
            if constexpr (sizeof(T) == sizeof(float))
                vst.processReplacing(ins, outs, VstInt32(stop - at));
            else
                vst.processDoubleReplacing(ins, outs, VstInt32(stop - at));
            at = stop;
        }
    }
    return out;
}

// Bit for bit the same, and not trivially so: the plug-in's output is sound, and not its input.
template <typename T> bool BitIdentical(const Signal<T>& a, const Signal<T>& b)
{
    double energy = 0.0;
    for (T x : a[0])
        energy += double(x) * double(x);
    if (!(energy > 1.0)) return false;
    return a.size() == b.size() && a[0].size() == b[0].size() &&
           std::memcmp(a[0].data(), b[0].data(), a[0].size() * sizeof(T)) == 0 &&
           std::memcmp(a[1].data(), b[1].data(), a[1].size() * sizeof(T)) == 0;
}

} // namespace

TEST_F(ClapBinary, DescribesOneStereoEffectWithTenParametersAndLatency64)
{
    const clap_plugin_factory* factory = module.factory();
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(module.entry()->get_factory("clap.preset-discovery-factory/2"), nullptr);
    ASSERT_EQ(factory->get_plugin_count(factory), 1u);
    EXPECT_EQ(factory->get_plugin_descriptor(factory, 1), nullptr);
    const clap_plugin_descriptor* d = factory->get_plugin_descriptor(factory, 0);
    ASSERT_NE(d, nullptr);
    EXPECT_STREQ(d->id, "com.tesselaudio.quar2");
    EXPECT_STREQ(d->name, "QUAR2");
    EXPECT_STREQ(d->vendor, "Tessel Audio");
    std::vector<std::string> features;
    for (const char* const* f = d->features; f && *f; ++f)
        features.emplace_back(*f);
    EXPECT_EQ(features, (std::vector<std::string>{"audio-effect", "stereo", "compressor"}));

    CClapTestHost clap;
    std::string error;
    EXPECT_FALSE(clap.create(module, error, "com.tesselaudio.other"));
    ASSERT_TRUE(clap.create(module, error)) << error;
    EXPECT_EQ(clap.extension<void>("clap.note-ports"), nullptr);

    const auto* ports = clap.extension<clap_plugin_audio_ports>(CLAP_EXT_AUDIO_PORTS);
    ASSERT_NE(ports, nullptr);
    for (bool input : {true, false})
    {
        ASSERT_EQ(ports->count(clap.plugin(), input), 1u);
        clap_audio_port_info info{};
        ASSERT_TRUE(ports->get(clap.plugin(), 0, input, &info));
        EXPECT_EQ(info.channel_count, 2u);
        EXPECT_STREQ(info.port_type, "stereo");
        EXPECT_EQ(info.flags & 3u, 3u) << "main, 64-bit";
        EXPECT_FALSE(ports->get(clap.plugin(), 1, input, &info));
    }

    const auto* params = clap.extension<clap_plugin_params>(CLAP_EXT_PARAMS);
    ASSERT_NE(params, nullptr);
    ASSERT_EQ(params->count(clap.plugin()), 10u);
    const char* names[] = {"SC Filter", "LF Filter", "Attack Mode", "Push Down",     "Pull Up",
                           "Recovery",  "Emphasis",  "Output",      "Display Speed", "Brake"};
    for (uint32_t i = 0; i < 10; ++i)
    {
        clap_param_info info{};
        ASSERT_TRUE(params->get_info(clap.plugin(), i, &info));
        EXPECT_EQ(info.id, i);
        EXPECT_STREQ(info.name, names[i]);
        EXPECT_TRUE(info.flags & CLAP_PARAM_IS_AUTOMATABLE);
        EXPECT_LE(info.min_value, info.default_value);
        EXPECT_GE(info.max_value, info.default_value);
        EXPECT_DOUBLE_EQ(clap.value(i), info.default_value) << names[i];
    }
    clap_param_info info{};
    EXPECT_FALSE(params->get_info(clap.plugin(), 10, &info));
    // Texts as the VST 2.4 plug-in shows them, and back.
    EXPECT_EQ(clap.text(kLfFilter, 3.0), "80Hz");
    EXPECT_EQ(clap.text(kPushDown, -12.0), "-12.00 dB");
    EXPECT_EQ(clap.text(kBrake, 0.0), "Off");
    double v = 0.0;
    EXPECT_TRUE(params->text_to_value(clap.plugin(), kPushDown, "-12.00 dB", &v));
    EXPECT_EQ(v, -12.0);
    EXPECT_TRUE(params->text_to_value(clap.plugin(), kLfFilter, "80Hz", &v));
    EXPECT_EQ(v, 3.0);
    EXPECT_FALSE(params->text_to_value(clap.plugin(), kPushDown, "loud", &v));
    EXPECT_FALSE(params->text_to_value(clap.plugin(), 99, "1", &v));
    char small[4];
    EXPECT_TRUE(params->value_to_text(clap.plugin(), kPushDown, -12.0, small, sizeof small));
    EXPECT_STREQ(small, "-12");

    const auto* latency = clap.extension<clap_plugin_latency>(CLAP_EXT_LATENCY);
    ASSERT_NE(latency, nullptr);
    ASSERT_TRUE(clap.start(kRate, 512));
    EXPECT_EQ(latency->get(clap.plugin()), 64u);
    EXPECT_EQ(clap.restartRequests, 0);
    EXPECT_EQ(clap.misbehaviours(), 0);
}

TEST_F(ClapBinary, AudioIsTheVst24PluginsBitForBitAtSeveralSettingsAndBlockSizes)
{
    const size_t frames = 2 * size_t(kRate);
    const std::vector<std::vector<Setting>> settings = {
        {},
        {{kPushDown, -18}, {kPullUp, 12}, {kAttack, 4}, {kRecovery, -2}},
        {{kLfFilter, 3}, {kEmphasis, 6}, {kOutput, -4}, {kBrake, -40}, {0, 1}},
    };
    const uint32_t blocks[] = {64, 333, 1024};
    for (size_t s = 0; s < settings.size(); ++s)
        for (uint32_t block : blocks)
        {
            SCOPED_TRACE("setting " + std::to_string(s) + ", block " + std::to_string(block));
            const bool wide = (s + block) % 2 == 1;
            auto clap = makeClap(block, settings[s]);
            CVstPlugin* plugin = makeVst(*clap, int32_t(block), settings[s]);
            ASSERT_NE(plugin, nullptr);
            if (wide)
            {
                const auto in = Speech<double>(frames);
                const auto out = ThroughClap(*clap, in, block);
                EXPECT_FALSE(BitIdentical(out, in));
                EXPECT_TRUE(BitIdentical(out, ThroughVst(*plugin, in, block)));
            }
            else
            {
                const auto in = Speech<float>(frames);
                const auto out = ThroughClap(*clap, in, block);
                EXPECT_FALSE(BitIdentical(out, in));
                EXPECT_TRUE(BitIdentical(out, ThroughVst(*plugin, in, block)));
            }
            EXPECT_EQ(clap->misbehaviours(), 0);
        }
}

TEST_F(ClapBinary, ParameterEventsInsideABlockLandAtTheirSample)
{
    const size_t frames = size_t(kRate);
    const uint32_t block = 1024;
    // Changes in the middle of blocks, two at the same sample, one on a block's first sample.
    const std::vector<TClapParamChange> changes = {{5000 + 100, kPushDown, -20},
                                                   {9000 + 613, kOutput, 6},
                                                   {9000 + 613, kPullUp, 12},
                                                   {20480, kLfFilter, 3},
                                                   {30000 + 7, kRecovery, -9}};
    const auto in = Speech<float>(frames);

    auto clap = makeClap(block, {});
    CVstPlugin* plugin = makeVst(*clap, block, {});
    ASSERT_NE(plugin, nullptr);
    std::vector<std::pair<size_t, std::pair<VstInt32, float>>> split, blockStart;
    for (const TClapParamChange& c : changes)
    {
        const float value = float(normalized(*clap, c.id, c.value));
        split.push_back({c.time, {VstInt32(c.id), value}});
        blockStart.push_back({c.time / block * block, {VstInt32(c.id), value}});
    }
    const auto ours = ThroughClap(*clap, in, block, changes);
    EXPECT_TRUE(BitIdentical(ours, ThroughVst(*plugin, in, block, split)));
    for (const TClapParamChange& c : changes)
        EXPECT_DOUBLE_EQ(clap->value(c.id), c.value);

    // The comparison can tell: the same changes at the start of their blocks differ.
    auto clap2 = makeClap(block, {});
    CVstPlugin* plugin2 = makeVst(*clap2, block, {});
    ASSERT_NE(plugin2, nullptr);
    EXPECT_FALSE(BitIdentical(ours, ThroughVst(*plugin2, in, block, blockStart)));
}

// The state: the VST 2.4 chunk loads in CLAP and comes back byte for byte, through streams that
// move a few bytes per call; a CLAP state loads in VST 2.4; damaged data changes nothing.
// (QUAR2.vst3's state joins this round trip: the same bytes through its IBStream.)
TEST_F(ClapBinary, StateRoundTripsAcrossVst24AndClap)
{
    const std::vector<Setting> settings = {
        {kPushDown, -7}, {kPullUp, 9}, {kLfFilter, 2}, {kBrake, -33}};
    auto source = makeClap(512, {});
    CVstPlugin* plugin = makeVst(*source, 512, settings);
    ASSERT_NE(plugin, nullptr);
    const std::vector<uint8_t> chunk = plugin->getChunk();
    ASSERT_EQ(chunk.size(), 260u);

    CClapTestHost clap;
    std::string error;
    ASSERT_TRUE(clap.create(module, error)) << error;
    ASSERT_TRUE(clap.load(chunk, 5));
    EXPECT_GE(clap.rescans, 1) << "the host is told to re-read the values";
    for (const Setting& s : settings)
        EXPECT_EQ(clap.value(s.id), s.plain);
    EXPECT_EQ(clap.save(7), chunk);
    EXPECT_EQ(clap.save(1000), chunk);

    // CLAP -> VST 2.4.
    clap.flush({{0, kOutput, 5}, {0, kRecovery, -1}});
    const std::vector<uint8_t> changed = clap.save();
    ASSERT_EQ(changed.size(), 260u);
    ASSERT_EQ(plugin->setChunk(changed), 260);
    EXPECT_EQ(plugin->getChunk(), changed);
    EXPECT_EQ(plugin->parameterDisplay(VstInt32(kOutput)), "5.00");

    // Data too short for the marker, empty or foreign data are refused and leave the state as
    // it was.
    EXPECT_FALSE(clap.load(std::vector<uint8_t>(chunk.begin(), chunk.begin() + 3)));
    EXPECT_FALSE(clap.load({}));
    EXPECT_FALSE(clap.load(std::vector<uint8_t>(260, 0x7f)));
    EXPECT_EQ(clap.save(), changed);
}

// Calls in the wrong state are refused, and in debug builds calls on the wrong thread are
// logged as host misbehaviour; neither harms the instance.
TEST_F(ClapBinary, HostMisbehaviourIsLoggedAndSurvived)
{
    CClapTestHost clap;
    std::string error;
    ASSERT_TRUE(clap.create(module, error)) << error;
    float left[64] = {}, right[64] = {};
    float* const io[2] = {left, right};
    EXPECT_EQ(clap.process(io, io, 64), CLAP_PROCESS_ERROR) << "inactive";
    const clap_plugin* p = clap.plugin();
    EXPECT_FALSE(p->activate(p, 0.0, 1, 512));
    EXPECT_FALSE(p->activate(p, kRate, 1, 0));
    const int refused = clap.misbehaviours();
    EXPECT_GE(refused, 3);
    ASSERT_TRUE(clap.start(kRate, 64));
    EXPECT_FALSE(p->activate(p, kRate, 1, 64)) << "already active";

    // A parameter list and a state request from a thread the host calls neither main nor audio.
    const int before = clap.misbehaviours();
    std::thread stranger(
        [&]
        {
            const auto* params = clap.extension<clap_plugin_params>(CLAP_EXT_PARAMS);
            EXPECT_EQ(params->count(p), 10u);
            clap.save();
        });
    stranger.join();
#ifdef NDEBUG
    EXPECT_EQ(clap.misbehaviours(), before) << "thread checks are for debug builds";
#else
    EXPECT_GE(clap.misbehaviours(), before + 2);
#endif
    // Still working: a block with a bad event list entry (wrong space, short size) is processed.
    EXPECT_EQ(clap.process(io, io, 64, {{3, 77, 1.0}, {5, kPushDown, NAN}}), CLAP_PROCESS_CONTINUE);
    EXPECT_EQ(clap.value(kPushDown), 0.0);
}
