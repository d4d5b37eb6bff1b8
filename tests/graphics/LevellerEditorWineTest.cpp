// The leveller's editor end to end under Wine: the built QUAR2.dll in a real window, driven by
// mouse messages posted to the editor's window as a user's hand would produce them, checked
// through the host's getParameter; and a picture of the editor after a few seconds of processed
// speech, saved as a test artifact.

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/cli/SpeechLikeSignal.h"
#include "host/lib/VstLibrary.h"
#include "host/lib/VstPlugin.h"
#include "LevellerEditorWindow.h"
#include "LevellerPng.h"

namespace
{

// Long enough for several editor frames at 30 per second.
constexpr int kFewFrames = 200;
constexpr int kRate = 44100;
constexpr int kBlock = 512;

// Parameter indices (sliders 2, 5, 6, 7) and rows' pointer positions.
constexpr VstInt32 kSideChain = 0;
constexpr VstInt32 kLowCut = 1;
constexpr VstInt32 kPushDown = 3;
constexpr VstInt32 kPullUp = 4;
constexpr VstInt32 kRecovery = 5;
constexpr int kPushDownY = 120;
constexpr int kPullUpY = 150;
constexpr int kRecoveryY = 180;
constexpr VstInt32 kBrake = 9;
constexpr int kBrakeY = 21; // the Brake's row in the header band (x 150, y 11, 100 x 20)

struct Rgb
{
    int r, g, b;
};

Rgb PixelAt(const std::vector<uint8_t>& rgb, int width, int x, int y)
{
    const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width) + x) * 3;
    return Rgb{rgb[i], rgb[i + 1], rgb[i + 2]};
}

// Each channel within 2 (the knob's pixels as drawn at two places).
bool Near(Rgb a, Rgb b)
{
    return std::abs(a.r - b.r) <= 2 && std::abs(a.g - b.g) <= 2 && std::abs(a.b - b.b) <= 2;
}

bool IsSwitchOrange(Rgb p)
{
    return std::abs(p.r - 229) <= 12 && std::abs(p.g - 127) <= 12 && p.b <= 12;
}

// Stereo 16-bit PCM from a RIFF file (as sox writes it), as floats; empty when unreadable.
std::vector<float> ReadStereoWav(const std::string& path)
{
    std::vector<float> samples;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return samples;
    std::vector<uint8_t> bytes;
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    auto u32 = [&](size_t at)
    {
        return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
               uint32_t(bytes[at + 3]) << 24;
    };
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0) return samples;
    int channels = 0, bits = 0;
    for (size_t at = 12; at + 8 <= bytes.size();)
    {
        const uint32_t size = u32(at + 4);
        if (at + 8 + size > bytes.size()) break;
        if (std::memcmp(&bytes[at], "fmt ", 4) == 0 && size >= 16)
        {
            channels = bytes[at + 10] | bytes[at + 11] << 8;
            bits = bytes[at + 22] | bytes[at + 23] << 8;
        }
        else if (std::memcmp(&bytes[at], "data", 4) == 0 && channels == 2 && bits == 16)
        {
            for (size_t i = 0; i + 1 < size; i += 2)
            {
                const int16_t v = static_cast<int16_t>(bytes[at + 8 + i] | bytes[at + 9 + i] << 8);
                samples.push_back(v / 32768.0f);
            }
        }
        at += 8 + size + (size & 1);
    }
    return samples;
}

// The shared speech-like signal, interleaved, when no recorded speech is at hand.
std::vector<float> SyntheticSpeech(double seconds)
{
    const StereoSignal speech = makeSpeechLikeSignal(seconds, kRate);
    std::vector<float> out;
    out.reserve(2 * speech.left.size());
    for (size_t i = 0; i < speech.left.size(); ++i)
        out.insert(out.end(), {speech.left[i], speech.right[i]});
    return out;
}

class LevellerEditorUnderWine : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(library.open(QUAR2_PLUGIN_PATH)) << library.error();
        std::string error;
        plugin = CVstPlugin::create(library.entry("VSTPluginMain"), host, error);
        ASSERT_TRUE(plugin) << error;
        plugin->open();
        plugin->setSampleRate(static_cast<float>(kRate));
        plugin->setBlockSize(kBlock);
        plugin->resume();
        ASSERT_TRUE(editor.Open(*plugin)) << "the editor opened no window";
        editor.Idle(kFewFrames);
    }

    void TearDown() override
    {
        editor.Close();
        plugin.reset();
        library.close();
    }

    // The pointer comes to rest over (x, y) for a few frames, then the button goes down there.
    void HoverAndPress(int x, int y, uintptr_t keys = 0)
    {
        editor.Move(x, y);
        editor.Idle(kFewFrames);
        editor.Press(x, y, keys);
        editor.Idle(kFewFrames);
    }

    void ReleaseAt(int x, int y)
    {
        editor.Release(x, y);
        editor.Idle(kFewFrames);
    }

    float Parameter(VstInt32 index) { return plugin->getParameter(index); }

    CHostCallback host;
    CVstLibrary library;
    std::unique_ptr<CVstPlugin> plugin;
    CLevellerEditorWindow editor;
};

} // namespace

TEST_F(LevellerEditorUnderWine, MouseMovesSlidersByTheWidgetRules)
{
    // Push Down starts at 0 dB, its maximum: its knob at the row's right end (left edge 288),
    // its centre row at y 118.
    constexpr int kKnobY = 118;
    EXPECT_NEAR(Parameter(kPushDown), 1.0, 1e-6);
    std::vector<uint8_t> rgb;
    ASSERT_TRUE(editor.Capture(rgb));
    const Rgb knobCentre = PixelAt(rgb, editor.width, 288 + 12, kKnobY);
    const Rgb bareTrack = PixelAt(rgb, editor.width, 116 + 12, kKnobY);
    ASSERT_FALSE(Near(knobCentre, bareTrack)) << "no knob to follow";

    // Push Down (-30..0): a press at x 215 gives ceil(87 / 172 * 30) - 30 = -14.
    HoverAndPress(215, kPushDownY);
    EXPECT_NEAR(Parameter(kPushDown), 16.0 / 30.0, 1e-6);
    // Its knob follows: left edge at 116 + 16 / 30 x 172, the right end bare.
    ASSERT_TRUE(editor.Capture(rgb));
    const int knobX = 116 + static_cast<int>(16.0 / 30.0 * 172.0);
    EXPECT_TRUE(Near(PixelAt(rgb, editor.width, knobX + 12, kKnobY), knobCentre));
    EXPECT_FALSE(Near(PixelAt(rgb, editor.width, 288 + 12, kKnobY), knobCentre));
    // Dragged with the button held: x 129 passes the first step boundary.
    editor.Move(129, kPushDownY, MK_LBUTTON);
    editor.Idle(kFewFrames);
    EXPECT_NEAR(Parameter(kPushDown), 1.0 / 30.0, 1e-6);
    // Far right of the row: limited to the maximum.
    editor.Move(420, 40, MK_LBUTTON);
    editor.Idle(kFewFrames);
    EXPECT_NEAR(Parameter(kPushDown), 1.0, 1e-6);
    ReleaseAt(420, 40);

    // Shift at the press: a fine drag anchored at x 200 (-17), moved to 240 (-13).
    HoverAndPress(200, kPushDownY, MK_SHIFT);
    EXPECT_NEAR(Parameter(kPushDown), 13.0 / 30.0, 1e-6);
    editor.Move(240, kPushDownY, MK_LBUTTON | MK_SHIFT);
    editor.Idle(kFewFrames);
    EXPECT_NEAR(Parameter(kPushDown), 17.0 / 30.0, 1e-6);
    ReleaseAt(240, kPushDownY);

    // Control at the press: Recovery back to its default of -5.
    plugin->setParameter(kRecovery, 0.8f); // -2
    editor.Idle(kFewFrames);
    ASSERT_NEAR(Parameter(kRecovery), 0.8, 1e-6);
    HoverAndPress(300, kRecoveryY, MK_CONTROL);
    EXPECT_NEAR(Parameter(kRecovery), 0.5, 1e-6);
    ReleaseAt(300, kRecoveryY);

    // Arriving and pressing at once (no frame saw the pointer rest there): Pull Up stays.
    editor.Move(215, kPullUpY);
    editor.Press(215, kPullUpY, 0);
    editor.Idle(kFewFrames);
    editor.Move(300, kPullUpY, MK_LBUTTON);
    editor.Idle(kFewFrames);
    EXPECT_EQ(Parameter(kPullUp), 0.0f);
    ReleaseAt(300, kPullUpY);

    // The Brake (-80..0, starting "Off"): a press at x 199 gives ceil(36 / 72 * 80) - 80 = -40,
    // its knob follows (left edge 151 + 36), and a drag to the far right takes it back to "Off".
    EXPECT_EQ(Parameter(kBrake), 1.0f);
    HoverAndPress(199, kBrakeY);
    EXPECT_NEAR(Parameter(kBrake), 0.5, 1e-6);
    EXPECT_EQ(plugin->parameterDisplay(kBrake), "-40.00");
    ASSERT_TRUE(editor.Capture(rgb));
    EXPECT_TRUE(Near(PixelAt(rgb, editor.width, 187 + 12, 19), knobCentre));
    editor.Move(400, kBrakeY, MK_LBUTTON);
    editor.Idle(kFewFrames);
    EXPECT_EQ(Parameter(kBrake), 1.0f);
    ReleaseAt(400, kBrakeY);

    // A press made away from the rows and dragged onto Pull Up's row does not grab it (the row
    // was never armed).
    HoverAndPress(216, 40);
    editor.Move(300, kPullUpY, MK_LBUTTON);
    editor.Idle(kFewFrames);
    ReleaseAt(300, kPullUpY);
    EXPECT_EQ(Parameter(kPullUp), 0.0f);
}

TEST_F(LevellerEditorUnderWine, SwitchTogglesOncePerPress)
{
    std::vector<uint8_t> rgb;
    ASSERT_TRUE(editor.Capture(rgb));
    EXPECT_FALSE(IsSwitchOrange(PixelAt(rgb, editor.width, 119, 279)));

    HoverAndPress(120, 279);
    editor.Idle(400); // held for many frames: no second toggle
    EXPECT_EQ(Parameter(kSideChain), 1.0f);
    ReleaseAt(120, 279);
    EXPECT_EQ(Parameter(kSideChain), 1.0f);
    ASSERT_TRUE(editor.Capture(rgb));
    EXPECT_TRUE(IsSwitchOrange(PixelAt(rgb, editor.width, 119, 279)));

    HoverAndPress(120, 279);
    EXPECT_EQ(Parameter(kSideChain), 0.0f);
    ReleaseAt(120, 279);
    ASSERT_TRUE(editor.Capture(rgb));
    EXPECT_FALSE(IsSwitchOrange(PixelAt(rgb, editor.width, 119, 279)));
}

TEST_F(LevellerEditorUnderWine, PictureAfterProcessedSpeech)
{
    // A setting a voice recording would get: pull quiet words up by 12 dB, push loud ones to
    // -10 dB, cut rumble below 80 Hz, switch the filter into the side chain.
    plugin->setParameter(kPullUp, 12.0f / 30.0f);
    plugin->setParameter(kPushDown, 20.0f / 30.0f);
    plugin->setParameter(kLowCut, 3.0f / 8.0f);
    plugin->setParameter(kSideChain, 1.0f);

    std::vector<float> speech = ReadStereoWav(LEVELLER_SPEECH_PATH);
    if (speech.empty()) speech = SyntheticSpeech(8.0);
    // Phrases at very different levels, as a speaker moving to and from the microphone.
    const size_t frames = speech.size() / 2;
    const float levels[] = {1.0f, 0.08f, 0.5f, 0.03f, 1.4f, 0.2f};
    const size_t phrase = kRate * 3 / 2;
    for (size_t i = 0; i < frames; ++i)
    {
        const float g = levels[(i / phrase) % (sizeof levels / sizeof levels[0])];
        speech[2 * i] *= g;
        speech[2 * i + 1] *= g;
    }

    std::vector<float> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
    float* inputs[] = {inL.data(), inR.data()};
    float* outputs[] = {outL.data(), outR.data()};
    for (size_t start = 0; start + kBlock <= frames; start += kBlock)
    {
        for (int i = 0; i < kBlock; ++i)
        {
            inL[i] = speech[2 * (start + i)];
            inR[i] = speech[2 * (start + i) + 1];
        }
        plugin->processReplacing(inputs, outputs, kBlock);
        // The editor keeps drawing while the audio runs: a frame about every quarter second of
        // audio (the audio writes the history; every frame draws all of it).
        if ((start / kBlock) % 24 == 23) editor.Idle(10);
    }
    editor.Idle(400);

    std::vector<uint8_t> rgb;
    ASSERT_TRUE(editor.Capture(rgb));
    EXPECT_TRUE(WriteLevellerPng(LEVELLER_ARTIFACT_PATH, editor.width, editor.height, rgb))
        << LEVELLER_ARTIFACT_PATH;

    // The smoothed gain curve is drawn across the graph: orange pixels between +20 and -20 dB.
    int orange = 0;
    for (int y = 302; y < 499; ++y)
    {
        for (int x = 30; x < 385; ++x)
        {
            const Rgb p = PixelAt(rgb, editor.width, x, y);
            if (p.r > 200 && p.g > 90 && p.g < 170 && p.b < 70) ++orange;
        }
    }
    EXPECT_GT(orange, 60) << "no smoothed curve in the graph";
    // The side-chain switch is on and shows it.
    EXPECT_TRUE(IsSwitchOrange(PixelAt(rgb, editor.width, 119, 279)));
}
