// The plug-in as the VST3 and CLAP adapters drive it: the same audio as a VST 2.4 host gets from
// the same calls, the parameter facts and texts a host shows, typed values, the state chunk, and
// the editor's gestures reaching the adapter's host.

#include "plugin/OstraBridge.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "effect/LevellerParameters.h"
#include "host/cli/SpeechLikeSignal.h"
#include "host/lib/HostCallback.h"
#include "plugin/COstra.h"
#include "plugin/OstraInstance.h"
#include "runtime/Xlat.h"

namespace
{
struct RecordingServices : COstraHostServices
{
    std::vector<std::string> calls;
    void beginEdit(int32_t index) override { calls.push_back("begin " + std::to_string(index)); }
    void performEdit(int32_t index, double value) override
    {
        calls.push_back("perform " + std::to_string(index) + " " + std::to_string(value));
    }
    void endEdit(int32_t index) override { calls.push_back("end " + std::to_string(index)); }
    void latencyChanged(int32_t frames) override
    {
        calls.push_back("latency " + std::to_string(frames));
    }
};

// The plug-in made by its VST 2.4 entry, driven as a VST 2.4 host drives it.
struct Vst2Instance
{
    CHostCallback host;
    AEffect* effect = nullptr;
    Vst2Instance()
    {
        host.timeInfoAvailable = false;
        CHostCallback::MakingGuard guard(&host);
        effect = MakeOstraInstance(&CHostCallback::callback);
        if (effect) host.attach(effect);
        if (effect) effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    }
    ~Vst2Instance()
    {
        if (effect) effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    }
    std::string display(int32_t index)
    {
        char text[kVstMaxParamStrLen * 8] = {};
        effect->dispatcher(effect, effGetParamDisplay, index, 0, text, 0.0f);
        return text;
    }
};

// Runs `signal` through `process(in, out, frames)` in blocks of the given sizes (cycled).
template <typename Process>
std::vector<float> RunInBlocks(const StereoSignal& signal, const std::vector<int32_t>& blocks,
                       Process process)
{
    const auto total = static_cast<int32_t>(signal.left.size());
    std::vector<float> left(signal.left), right(signal.right), outL(total), outR(total);
    size_t b = 0;
    for (int32_t at = 0; at < total;)
    {
        const int32_t n = std::min(blocks[b++ % blocks.size()], total - at);
        float* in[2] = {left.data() + at, right.data() + at};
        float* out[2] = {outL.data() + at, outR.data() + at};
        process(in, out, n);
        at += n;
    }
    outL.insert(outL.end(), outR.begin(), outR.end());
    return outL;
}
} // namespace

TEST(OstraBridge, GivesTheVst2AudioBitForBitAtEverySetting)
{
    const StereoSignal speech = makeSpeechLikeSignal(3.0, 48000);
    // Pull Up 12, Push Down -6, Attack 20 ms, Emphasis 4, Brake -40, LF filter 80 Hz.
    const std::vector<std::pair<int32_t, float>> settings = {
        {4, 12.0f / 30.0f}, {3, 24.0f / 30.0f}, {2, 6.0f / 11.0f}, {6, 0.4f}, {9, 0.5f},
        {1, 3.0f / 8.0f}};
    for (const std::vector<int32_t>& blocks :
         {std::vector<int32_t>{512}, std::vector<int32_t>{1, 37, 4096, 64, 999}})
    {
        Vst2Instance vst2;
        ASSERT_NE(vst2.effect, nullptr);
        RecordingServices services;
        COstraBridge bridge(services);
        ASSERT_TRUE(bridge.valid());
        AEffect* e = vst2.effect;
        e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
        e->dispatcher(e, effSetBlockSize, 0, 4096, nullptr, 0.0f);
        ASSERT_TRUE(bridge.setSampleRate(48000.0));
        ASSERT_TRUE(bridge.setBlockSize(4096));
        for (const auto& [index, value] : settings)
        {
            e->setParameter(e, index, value);
            bridge.setParameter(index, value);
        }
        e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
        bridge.resume();
        const auto viaVst2 = RunInBlocks(speech, blocks, [&](float** in, float** out, int32_t n) {
            e->processReplacing(e, in, out, n);
        });
        const auto viaBridge = RunInBlocks(speech, blocks, [&](float** in, float** out, int32_t n) {
            bridge.process(in, out, n);
        });
        ASSERT_EQ(viaVst2.size(), viaBridge.size());
        EXPECT_EQ(std::memcmp(viaVst2.data(), viaBridge.data(), viaVst2.size() * sizeof(float)), 0);
        EXPECT_EQ(bridge.latency(), 64);
    }
}

TEST(OstraBridge, ParameterFactsAndTextsAreTheHostsOnes)
{
    Vst2Instance vst2;
    RecordingServices services;
    COstraBridge bridge(services);
    ASSERT_EQ(bridge.parameterCount(), kLevellerParameterCount);
    ASSERT_EQ(bridge.parameterCount(), vst2.effect->numParams);
    for (int32_t i = 0; i < bridge.parameterCount(); ++i)
    {
        TOstraParameterInfo info;
        ASSERT_TRUE(bridge.parameterInfo(i, info));
        char name[64] = {};
        vst2.effect->dispatcher(vst2.effect, effGetParamName, i, 0, name, 0.0f);
        EXPECT_STREQ(info.name, name);
        EXPECT_NEAR(info.defaultNormalized, bridge.getParameter(i), 1e-6) << info.name;
        // Every value a host can step to shows what VST 2.4 shows there, and reads back as typed.
        const int32_t steps = info.stepCount > 0 ? info.stepCount : 90;
        for (int32_t k = 0; k <= steps; ++k)
        {
            const double normalized = static_cast<double>(k) / steps;
            char text[COstraBridge::kTextBytes];
            ASSERT_TRUE(bridge.displayText(i, normalized, text, sizeof text));
            vst2.effect->setParameter(vst2.effect, i, static_cast<float>(normalized));
            EXPECT_EQ(std::string(text), vst2.display(i)) << info.name << " step " << k;
            double parsed = -1.0;
            ASSERT_TRUE(bridge.parseText(i, text, parsed)) << text;
            EXPECT_EQ(bridge.plainValue(i, parsed), bridge.plainValue(i, normalized)) << text;
        }
    }
    double value = 0.0;
    EXPECT_TRUE(bridge.parseText(3, " -12 dB ", value));
    EXPECT_DOUBLE_EQ(bridge.plainValue(3, value), -12.0);
    EXPECT_TRUE(bridge.parseText(9, "off", value));
    EXPECT_DOUBLE_EQ(bridge.plainValue(9, value), 0.0);
    EXPECT_TRUE(bridge.parseText(3, "-99", value)); // clamped to the range
    EXPECT_DOUBLE_EQ(value, 0.0);
    for (const char* junk : {"", "  ", "dB", "12 Hz", "nan", "1e999"})
        EXPECT_FALSE(bridge.parseText(3, junk, value)) << junk;
    char text[8] = "x";
    EXPECT_FALSE(bridge.displayText(-1, 0.5, text, sizeof text));
    EXPECT_FALSE(bridge.displayText(kLevellerParameterCount, 0.5, text, sizeof text));
    EXPECT_STREQ(text, "");
    // A short buffer is cut, never overrun.
    char small[4] = {'a', 'b', 'c', 'd'};
    ASSERT_TRUE(bridge.displayText(7, 1.0, small, 3));
    EXPECT_STREQ(small, "20");
    EXPECT_EQ(small[3], 'd');
    // Values out of 0..1 and NaN: clamped or ignored, as the formats define normalised values.
    bridge.setParameter(4, 7.0);
    EXPECT_DOUBLE_EQ(bridge.getParameter(4), 1.0);
    bridge.setParameter(4, std::nan(""));
    EXPECT_DOUBLE_EQ(bridge.getParameter(4), 1.0);
}

TEST(OstraBridge, StateCrossesInstancesAndForeignBytesAreRefused)
{
    RecordingServices services;
    COstraBridge first(services), second(services);
    first.setParameter(4, 0.5);
    first.setParameter(9, 0.25);
    const void* data = nullptr;
    const int32_t size = first.saveState(&data);
    ASSERT_EQ(size, 260);
    const std::vector<unsigned char> bytes(static_cast<const unsigned char*>(data),
                                           static_cast<const unsigned char*>(data) + size);
    ASSERT_TRUE(second.loadState(bytes.data(), size));
    EXPECT_FLOAT_EQ(static_cast<float>(second.getParameter(4)), 0.5f);
    EXPECT_FLOAT_EQ(static_cast<float>(second.getParameter(9)), 0.25f);
    // The VST 2.4 plug-in takes the same bytes.
    Vst2Instance vst2;
    vst2.effect->dispatcher(vst2.effect, effSetChunk, 0, size, const_cast<unsigned char*>(bytes.data()), 0.0f);
    EXPECT_FLOAT_EQ(vst2.effect->getParameter(vst2.effect, 4), 0.5f);
    const std::vector<unsigned char> junk(260, 0x41);
    EXPECT_FALSE(second.loadState(junk.data(), 260));
    EXPECT_FALSE(second.loadState(bytes.data(), 3));
    EXPECT_FALSE(second.loadState(nullptr, 260));
    EXPECT_FLOAT_EQ(static_cast<float>(second.getParameter(4)), 0.5f);
    EXPECT_EQ(first.saveState(nullptr), 0);
}

TEST(OstraBridge, EditorGesturesReachTheAdaptersHost)
{
    RecordingServices services;
    COstraBridge bridge(services);
    TXlat* runtime = bridge.plugin()->getRuntime();
    ASSERT_NE(runtime, nullptr);
    // The editor's mouse on the Pull Up row (slider 6, parameter 4).
    runtime->BeginSliderEdit(6);
    runtime->sliders[6] = 15.0;
    runtime->SliderEdited(6);
    runtime->EndSliderEdit(6);
    ASSERT_EQ(services.calls.size(), 3u);
    EXPECT_EQ(services.calls[0], "begin 4");
    EXPECT_EQ(services.calls[1], "perform 4 " + std::to_string(0.5));
    EXPECT_EQ(services.calls[2], "end 4");
    int32_t width = 0, height = 0;
    EXPECT_TRUE(bridge.hasEditor());
    EXPECT_TRUE(bridge.editorSize(width, height));
    EXPECT_EQ(width, 430);
    EXPECT_EQ(height, 600);
    EXPECT_FALSE(bridge.openEditor(nullptr));
    EXPECT_EQ(bridge.editorConnection(), -1);
    EXPECT_FALSE(bridge.setSampleRate(0.0));
    EXPECT_FALSE(bridge.setSampleRate(std::nan("")));
    EXPECT_FALSE(bridge.setBlockSize(0));
}
