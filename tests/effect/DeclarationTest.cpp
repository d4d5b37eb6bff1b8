// What the leveller declares and registers: sliders, identity, string constants, data-file
// names, and the memory layout and start values the init hook sets.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/LevellerDriver.h"
#include "tests/effect/LevellerReference.h"

namespace
{

struct ExpectedSlider
{
    int32_t number;
    std::string name;
    double def, min, max, step;
    std::vector<std::string> steps;
};

} // namespace

TEST(LevellerDeclaration, SlidersAreTheNineHostParametersInOrder)
{
    TXlatEffect effect;
    const std::vector<ExpectedSlider> expected = {
        {2, "SC Filter", 0, 0, 1, 1, {"Off", "On"}},
        {3,
         "LF Filter",
         0,
         0,
         8,
         1,
         {"Off", "20Hz", "40Hz", "80Hz", "100Hz", "150Hz", "200Hz", "350Hz", "500Hz"}},
        {4,
         "Attack Mode",
         0,
         0,
         11,
         1,
         {"Zero", "250us", "500us", "1ms", "5ms", "10ms", "20ms", "50ms", "100ms", "200ms", "500ms",
          "1sec"}},
        {5, "Push Down [dB]", 0, -30, 0, 1, {}},
        {6, "Pull Up [dB]", 0, 0, 30, 1, {}},
        {7, "Recovery", -5, -10, 0, 1, {}},
        {8, "Emphasis", 0, 0, 10, 1, {}},
        {9, "Output [dB]", 0, -20, 20, 1, {}},
        {10, "[Display Speed]", 10, 1, 10, 0.1, {}},
        {11, "Brake [dB]", 0, -80, 0, 1, {}},
    };
    ASSERT_EQ(effect.SliderRecordCount(), 10);
    for (size_t i = 0; i < expected.size(); ++i)
    {
        const SliderRecord& r = effect.sliderRecords[i];
        const ExpectedSlider& e = expected[i];
        SCOPED_TRACE(e.name);
        EXPECT_EQ(r.number, e.number);
        EXPECT_EQ(r.name, e.name);
        EXPECT_EQ(r.defaultValue, e.def);
        EXPECT_EQ(r.minimum, e.min);
        EXPECT_EQ(r.maximum, e.max);
        EXPECT_EQ(r.step, e.step);
        EXPECT_EQ(r.enumNames, e.steps);
        EXPECT_EQ(r.mirror, nullptr);
        EXPECT_TRUE(r.label.empty() && r.folder.empty() && r.extraText.empty());
        EXPECT_EQ(effect.sliders[static_cast<size_t>(e.number)], e.def);
        // Only the Brake reads as a word at 0.
        EXPECT_EQ(r.zeroName, e.number == 11 ? "Off" : "");
        // An enumerated slider has exactly one name per step, as hosts expect.
        if (!e.steps.empty())
        {
            EXPECT_EQ(static_cast<double>(e.steps.size() - 1), (e.max - e.min) / e.step);
        }
    }
    EXPECT_EQ(effect.sliders[1], 0.0);
    EXPECT_EQ(effect.sliders[12], 0.0);
}

TEST(LevellerDeclaration, IdentityIsQuar2ByTesselAudio)
{
    TXlatEffect effect;
    EXPECT_EQ(effect.effectName, "QUAR2");
    EXPECT_EQ(effect.productString, "QUAR2");
    EXPECT_EQ(effect.programName, "QUAR2");
    EXPECT_EQ(effect.vendorString, "Tessel Audio");
    EXPECT_EQ(effect.version, 1000);
    EXPECT_EQ(effect.uniqueId, 0x51554152);
    EXPECT_EQ(effect.channelCount, 2);
}

TEST(LevellerDeclaration, OpenRegistersTheConstantsAndZeroesEveryVariable)
{
    CLevellerDriver d(48000.0, 256);
    // Dirty the state, then open again: everything goes back to 0.
    d.RunConstant(0.3, 0.2, 256, 4);
    d.effect.RegisterString(190000, "scratch");
    ASSERT_NE(d.vars().env1, 0.0);
    d.Open();

    const char* const texts[] = {"Build 170206",
                                 "Off",
                                 "20 Hz",
                                 "40 Hz",
                                 "80 Hz",
                                 "100 Hz",
                                 "150 Hz",
                                 "200 Hz",
                                 "350 Hz",
                                 "500 Hz",
                                 "Zero",
                                 "250us",
                                 "500 us",
                                 "1 ms",
                                 "5 ms",
                                 "10 ms",
                                 "20 ms",
                                 "50 ms",
                                 "100 ms",
                                 "200 ms",
                                 "500 ms",
                                 "1 s",
                                 "Courier New",
                                 "%.1f",
                                 "Arial",
                                 "LF Filter",
                                 "Attack Mode",
                                 "dB",
                                 "Push Down",
                                 "dB",
                                 "Pull Up",
                                 "",
                                 "Recovery",
                                 "",
                                 "HF De-Emphasis",
                                 "dB",
                                 "Output",
                                 "Filter Side Chain",
                                 "s",
                                 "Display Speed",
                                 "Arial",
                                 "Dyn.Range Reduction:",
                                 "%.2f",
                                 " dB",
                                 "Max Gain: ",
                                 "%.2f",
                                 " dB",
                                 "Max Attenuation: ",
                                 "%.2f",
                                 " dB",
                                 "Arial",
                                 "Brake",
                                 "dB"};
    ASSERT_EQ(d.effect.strings.size(), 53u);
    int32_t handle = 10000;
    for (const char* text : texts)
    {
        ASSERT_EQ(d.effect.strings.count(handle), 1u) << handle;
        EXPECT_EQ(d.effect.strings.at(handle), text) << handle;
        ++handle;
    }
    EXPECT_EQ(handle, 10053);
    ASSERT_NE(d.effect.FileName(0), nullptr);
    ASSERT_NE(d.effect.FileName(1), nullptr);
    EXPECT_EQ(*d.effect.FileName(0), "quar2_gfx\\bg.png");
    EXPECT_EQ(*d.effect.FileName(1), "quar2_gfx\\sliderknob.png");

    // Every script variable is 0 again: compare the whole block with a zeroed one.
    const LevellerVariables zero{};
    EXPECT_EQ(std::memcmp(&d.effect.vars, &zero, sizeof(zero)), 0);
    // The memory was cleared too: the old delay line reads 0.
    EXPECT_EQ(d.effect.Element(0), 0.0);
    EXPECT_EQ(d.effect.Element(600000), 0.0);
}

TEST(LevellerDeclaration, InitSetsLayoutCoefficientsAndLabelTablesAt44100)
{
    CLevellerDriver d(44100.0, 512);
    const LevellerVariables& v = d.vars();
    const double sr = Opaque(44100.0);
    EXPECT_EQ(v.sampleRate, 44100.0);
    EXPECT_EQ(v.blockSize, 512.0);
    EXPECT_EQ(v.inputCount, 2.0);
    EXPECT_EQ(v.tempo, 120.0);
    EXPECT_EQ(d.effect.redrawRate, 30.0);
    EXPECT_EQ(v.buildLabel, 10000.0);
    EXPECT_EQ(v.smooth20ms, std::exp(-1 / (0.02 * sr)));
    EXPECT_EQ(v.smooth200ms, std::exp(-1 / (0.2 * sr)));
    EXPECT_EQ(v.releaseScale, 44100 / sr * 0.0003);
    EXPECT_DOUBLE_EQ(v.releaseScale, 0.0003);
    EXPECT_EQ(v.monoBlocks, 32.0);
    EXPECT_EQ(v.delayLengthL, 64.0);
    EXPECT_EQ(v.delayLengthR, 64.0);
    EXPECT_EQ(v.delayBaseL, 0.0);
    EXPECT_EQ(v.delayBaseR, 44100.0);
    EXPECT_EQ(v.latency, 64.0);
    EXPECT_EQ(v.historyBase, 88201.0);
    EXPECT_EQ(v.graphPoints, 360.0);
    EXPECT_EQ(v.rerunSliderCode, 1.0);
    // Drawing layout and start values.
    EXPECT_EQ(v.graphX, 27.0);
    EXPECT_EQ(v.graphY, 300.0);
    EXPECT_EQ(v.graphTop, 290.0);
    EXPECT_EQ(v.curveLastY, 360.0);
    EXPECT_EQ(v.smoothLastY, 360.0);
    EXPECT_EQ(v.readoutX, 107.0);
    EXPECT_EQ(v.readoutY, 480.0);
    EXPECT_EQ(v.spareDrawStart1, 1.0);
    EXPECT_EQ(d.effect.colorA, 0.0);
    for (int k = 0; k <= 8; ++k)
        EXPECT_EQ(d.effect.Element(600000 + k), 10001.0 + k);
    for (int k = 0; k <= 11; ++k)
        EXPECT_EQ(d.effect.Element(600010 + k), 10010.0 + k);
    EXPECT_EQ(d.effect.Element(600009), 0.0);
    EXPECT_EQ(d.effect.Element(600022), 0.0);
    // The label tables are what the editor prints for slider 3 = 2 and slider 4 = 11.
    EXPECT_EQ(d.effect.LookupString(d.effect.Element(600000 + 2)), "40 Hz");
    EXPECT_EQ(d.effect.LookupString(d.effect.Element(600010 + 11)), "1 s");
}

TEST(LevellerDeclaration, InitTakesTheSampleRateAsA32BitFloatAndSanitisesHostValues)
{
    CLevellerDriver d(44100.0, 512, false);
    d.host.sampleRate = 44100.1; // not representable as float: the float value counts
    d.host.tempo = std::nan("");
    d.Open();
    d.Resume();
    EXPECT_EQ(d.vars().sampleRate, static_cast<double>(44100.1f));
    EXPECT_EQ(d.vars().tempo, 0.0);
    EXPECT_EQ(d.vars().delayBaseR, static_cast<double>(44100.1f));
}

TEST(LevellerDeclaration, EmphasisFilterAt48000)
{
    CLevellerDriver d(48000.0, 512);
    const double s[11] = {0, 0, 0, 0, 0, 0, 0, -5, 0, 0, 10};
    const CLevellerReference ref(48000.0, s);
    const BiquadSection& e = d.vars().emphasis;
    // u = tan(0.1308996938995747) at 48 kHz.
    EXPECT_EQ(6283.185307179586 / Opaque(48000.0), 0.1308996938995747);
    EXPECT_EQ(e.b0, ref.eb0);
    EXPECT_EQ(e.b1, ref.eb1);
    EXPECT_EQ(e.b2, ref.eb2);
    EXPECT_EQ(e.a1, ref.ea1);
    EXPECT_EQ(e.a2, ref.ea2);
    EXPECT_EQ(d.vars().historyBase, 96001.0);
    EXPECT_EQ(d.vars().smooth20ms, ref.smooth20);
    // A high-pass: it blocks DC (b0 + b1 + b2 = 0).
    EXPECT_NEAR(e.b0 + e.b1 + e.b2, 0.0, 1e-15);
}
