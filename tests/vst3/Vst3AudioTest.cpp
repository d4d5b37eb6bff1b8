// QUAR2.vst3 levels exactly as the VST 2.4 plug-in of the same build (QUAR2.so natively,
// QUAR2.dll under Wine): the spoken-word signal at several settings and block patterns, float
// and double, with parameter changes arriving in the blocks; the latency; the bypass, which
// keeps the latency and fades.

#include "tests/plugin/BuiltPlugin.h"
#include "tests/vst3/Vst3Host.h"
#include "vst3/Vst3Ids.h"

#include <algorithm>
#include <cmath>

using namespace vst3;

namespace
{
using Signal = std::vector<std::vector<float>>;

// One parameter change: before block `block`, parameter `index` to `value`.
struct Change
{
    size_t block;
    int32 index;
    float value;
};

struct Pattern
{
    const char* name;
    std::vector<int32> blocks; // block sizes, repeated to the end of the signal
    std::vector<Change> changes;
};

const std::vector<Pattern>& Patterns()
{
    static const std::vector<Pattern> runs = {
        {"defaults, 512", {512}, {}},
        {"levelling settings, 64",
         {64},
         {{0, 4, 0.4f}, {0, 3, 0.6f}, {0, 6, 0.5f}, {0, 7, 0.575f}}},
        {"every coefficient, odd blocks",
         {1, 17, 441, 1000, 3},
         {{0, 0, 1.0f},
          {0, 1, 0.375f},
          {0, 2, 4.0f / 11.0f},
          {0, 3, 0.6f},
          {0, 4, 0.4f},
          {0, 5, 0.7f},
          {0, 6, 0.5f},
          {0, 7, 23.0f / 40.0f}}},
        {"changes while it runs, 256",
         {256},
         {{0, 4, 0.8f}, {40, 3, 0.3f}, {41, 9, 0.5f}, {200, 4, 0.1f}, {300, 8, 0.2f}}},
    };
    return runs;
}

// The VST 2.4 plug-in over the same blocks, changes set before their block.
template <typename T>
std::vector<std::vector<T>> ThroughVst2(CVstPlugin& p, const Pattern& run,
                                        std::vector<std::vector<T>> signal)
{
    size_t block = 0;
    for (size_t start = 0; start < signal[0].size(); ++block)
    {
        const size_t n =
            std::min<size_t>(run.blocks[block % run.blocks.size()], signal[0].size() - start);
        for (const Change& c : run.changes)
            if (c.block == block) p.setParameter(c.index, c.value);
        T* buffers[2] = {signal[0].data() + start, signal[1].data() + start};
        if constexpr (sizeof(T) == 8)
            p.processDoubleReplacing(buffers, buffers, static_cast<VstInt32>(n));
        else
            p.processReplacing(buffers, buffers, static_cast<VstInt32>(n));
        start += n;
    }
    return signal;
}

// The VST3 plug-in over the same blocks, changes as points in their block's change list
// (at offset 0 for the first, inside the block for the others), separate output buffers.
template <typename T>
std::vector<std::vector<T>> ThroughVst3(CVst3Instance& p, const Pattern& run,
                                        const std::vector<std::vector<T>>& input,
                                        std::vector<std::pair<size_t, double>> bypass = {})
{
    std::vector<std::vector<T>> output(2, std::vector<T>(input[0].size()));
    size_t block = 0;
    for (size_t start = 0; start < input[0].size(); ++block)
    {
        const size_t n =
            std::min<size_t>(run.blocks[block % run.blocks.size()], input[0].size() - start);
        CParameterChanges changes;
        for (const Change& c : run.changes)
            if (c.block == block)
                changes.add(static_cast<ParamID>(c.index), c.value,
                            static_cast<int32>(changes.queues.size() % n));
        for (auto [at, value] : bypass)
            if (at == block) changes.add(quar2vst3::kBypassId, value);
        const T* in[2] = {input[0].data() + start, input[1].data() + start};
        T* out[2] = {output[0].data() + start, output[1].data() + start};
        EXPECT_EQ(p.process(const_cast<T* const*>(in), out, static_cast<int32>(n), &changes),
                  kResultOk);
        start += n;
    }
    return output;
}

std::vector<std::vector<double>> Widen(const Signal& s)
{
    std::vector<std::vector<double>> wide;
    for (const auto& channel : s)
        wide.emplace_back(channel.begin(), channel.end());
    return wide;
}

class Vst3Audio : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(module.open(BuiltBundlePath(), error)) << BuiltBundlePath() << ": " << error;
        ASSERT_TRUE(vst2.open(BuiltVst2Path())) << vst2.error();
        // Neither plug-in gets time information: the VST3 blocks carry no process context.
        vst2Host.timeInfoAvailable = false;
    }
    std::unique_ptr<CVst3Instance> make()
    {
        auto p = std::make_unique<CVst3Instance>(*module.factory(), app);
        EXPECT_TRUE(p->ok());
        return p;
    }
    std::unique_ptr<CVstPlugin> makeVst2()
    {
        std::string error;
        auto p = CVstPlugin::create(vst2.entry("VSTPluginMain"), vst2Host, error);
        EXPECT_TRUE(p) << error;
        if (!p) return p;
        p->open();
        p->setSampleRate(44100.0f);
        p->setBlockSize(1024);
        p->resume();
        return p;
    }

    CHostApplication app;
    CVst3Module module;
    CVstLibrary vst2;
    CHostCallback vst2Host;
};
} // namespace

TEST_F(Vst3Audio, LevelsBitForBitAsTheVst2PluginInFloatAndDouble)
{
    const Signal input = SpeechLikeSignal(4 * 44100);
    for (const Pattern& run : Patterns())
    {
        SCOPED_TRACE(run.name);
        const int32 largest = *std::max_element(run.blocks.begin(), run.blocks.end());
        auto single = make();
        auto wide = make();
        ASSERT_TRUE(single->start(44100.0, largest, kSample32));
        ASSERT_TRUE(wide->start(44100.0, largest, kSample64));
        auto reference = makeVst2();
        auto wideReference = makeVst2();
        ASSERT_TRUE(reference && wideReference);

        const Signal expected = ThroughVst2(*reference, run, input);
        const Signal got = ThroughVst3(*single, run, input);
        const auto expectedWide = ThroughVst2(*wideReference, run, Widen(input));
        const auto gotWide = ThroughVst3(*wide, run, Widen(input));
        for (size_t c = 0; c < 2; ++c)
        {
            EXPECT_TRUE(got[c] == expected[c]) << "float, channel " << c;
            EXPECT_TRUE(gotWide[c] == expectedWide[c]) << "double, channel " << c;
            EXPECT_TRUE(expected[c] != input[c]); // the settings did level
        }
        // The controller shows the values the changes set, as the VST 2.4 plug-in holds them.
        for (int32 i = 0; i < 10; ++i)
            EXPECT_EQ(single->controller->getParamNormalized(static_cast<ParamID>(i)),
                      reference->getParameter(i))
                << "parameter " << i;
    }
}

TEST_F(Vst3Audio, LatencyIs64BeforeProcessingAndBypassKeepsItWithAFade)
{
    auto p = make();
    ASSERT_TRUE(p->ok());
    EXPECT_EQ(p->processor->getLatencySamples(), 64u); // before any set-up
    // Only one stereo input and one stereo output are accepted.
    SpeakerArrangement mono = kMono, stereo = kStereo, two[2] = {kStereo, kStereo};
    EXPECT_EQ(p->processor->setBusArrangements(&mono, 1, &mono, 1), kResultFalse);
    EXPECT_EQ(p->processor->setBusArrangements(two, 2, &stereo, 1), kResultFalse);
    SpeakerArrangement arrangement = 0;
    EXPECT_EQ(p->processor->getBusArrangement(kOutput, 0, &arrangement), kResultOk);
    EXPECT_EQ(arrangement, kStereo);
    ASSERT_TRUE(p->start(44100.0, 256));
    EXPECT_EQ(p->processor->getLatencySamples(), 64u);

    // Bypass from block 20 to block 100 of 256 frames, against the plug-in never bypassed.
    const Signal input = SpeechLikeSignal(200 * 256);
    const Pattern run{"bypass", {256}, {{0, 4, 0.6f}}};
    auto reference = makeVst2();
    ASSERT_TRUE(reference);
    const Signal levelled = ThroughVst2(*reference, run, input);
    const Signal got = ThroughVst3(*p, run, input, {{20, 1.0}, {100, 0.0}});
    const size_t on = 20 * 256, off = 100 * 256, fade = 221; // 5 ms at 44.1 kHz
    for (size_t c = 0; c < 2; ++c)
    {
        for (size_t i = 0; i < got[c].size(); ++i)
        {
            const float dry = i >= 64 ? input[c][i - 64] : 0.0f;
            const bool fading = (i >= on && i < on + fade) || (i >= off && i < off + fade);
            if (i < on || i >= off + fade)
                ASSERT_EQ(got[c][i], levelled[c][i]) << "levelled frame " << i;
            else if (!fading)
                ASSERT_EQ(got[c][i], dry) << "bypassed frame " << i;
            else
            {
                // In the fade the output lies between the two signals: no step, no click.
                const float lo = std::min(dry, levelled[c][i]), hi = std::max(dry, levelled[c][i]);
                ASSERT_GE(got[c][i], lo - 1e-6f) << "fading frame " << i;
                ASSERT_LE(got[c][i], hi + 1e-6f) << "fading frame " << i;
            }
        }
    }
    EXPECT_EQ(p->processor->getLatencySamples(), 64u);
    EXPECT_EQ(p->controller->getParamNormalized(quar2vst3::kBypassId), 0.0);
}

TEST_F(Vst3Audio, FlushesAndMissingBuffersTouchNoAudio)
{
    auto p = make();
    ASSERT_TRUE(p->start(48000.0, 512));
    // A flush: no samples, no buffers, a parameter change; it is applied.
    CParameterChanges changes;
    changes.add(3, 0.6); // Push Down -12 dB, on its step
    ProcessData flush{};
    flush.symbolicSampleSize = kSample32;
    flush.inputParameterChanges = &changes;
    EXPECT_EQ(p->processor->process(&flush), kResultOk);
    EXPECT_NEAR(p->controller->getParamNormalized(3), 0.6, 1e-6);
    EXPECT_EQ(p->processor->process(nullptr), kInvalidArgument);

    // Input bus without buffers: the output is silence, flagged as such.
    std::vector<float> left(512, 0.5f), right(512, 0.5f);
    float* out[2] = {left.data(), right.data()};
    AudioBusBuffers inputs{}, outputs{};
    outputs.numChannels = 2;
    outputs.channelBuffers32 = out;
    ProcessData data{};
    data.symbolicSampleSize = kSample32;
    data.numSamples = 512;
    data.numInputs = 1;
    data.inputs = &inputs;
    data.numOutputs = 1;
    data.outputs = &outputs;
    EXPECT_EQ(p->processor->process(&data), kResultOk);
    EXPECT_EQ(outputs.silenceFlags, 3u);
    EXPECT_TRUE(std::all_of(left.begin(), left.end(), [](float v) { return v == 0.0f; }));
}
