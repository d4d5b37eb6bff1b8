// What one frame of the leveller editor draws and where: knobs, captions, values, step names, the
// switch, fonts and the build label, observed through a recording drawing target.

#include <algorithm>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "LevellerRig.h"

namespace
{

constexpr GfxColor kErrorRed{255, 0, 0, 255};
constexpr GfxColor kCaptionGrey{153, 153, 153, 255};
constexpr GfxColor kValueGrey{178, 178, 178, 255};
constexpr double kChar = kLevellerCharWidth;

// Left edges of the knobs in drawing order (rows 3 .. 9, then 10). Natively no image decodes,
// so every Blit shows as its error box: a red rectangle of the image's size (0 x 0) at the pen.
std::vector<double> KnobLefts(const RecordingTarget& target)
{
    std::vector<double> lefts;
    const std::vector<GfxCall> boxes = target.RectsIn(kErrorRed);
    for (size_t i = 1; i < boxes.size(); ++i) // box 0 is the background
        lefts.push_back(boxes[i].rect.left);
    return lefts;
}

} // namespace

TEST(LevellerFrame, FirstFrameRunsTheSliderCodeOnce)
{
    LevellerRig rig;
    EXPECT_EQ(rig.fx.vars.rerunSliderCode, 1.0); // asked for by the init hook
    rig.fx.vars.maxGainDb = 7.0;                 // the slider code resets it
    rig.Frame(0, 0);
    EXPECT_EQ(rig.fx.vars.rerunSliderCode, 0.0);
    EXPECT_EQ(rig.fx.vars.maxGainDb, 0.0);
    rig.fx.vars.maxGainDb = 7.0;
    rig.Frame(0, 0);
    rig.Frame(20, 30);
    EXPECT_EQ(rig.fx.vars.maxGainDb, 7.0); // no widget changed: not run again
}

TEST(LevellerFrame, KnobsSitAtTheirValues)
{
    LevellerRig rig(44100.0, 512, true);
    rig.Frame(0, 0);
    const std::vector<GfxCall> boxes = rig.target.RectsIn(kErrorRed);
    ASSERT_EQ(boxes.size(), 10u);
    EXPECT_EQ(boxes[0].rect.left, 0.0);
    EXPECT_EQ(boxes[0].rect.top, 0.0);
    // The Brake (last, in the header band) sits at its maximum, 0 ("Off"): 150 + 1 + 72.
    EXPECT_EQ(KnobLefts(rig.target),
              (std::vector<double>{116, 116, 288, 116, 202, 116, 202, 333, 223}));
    const double tops[] = {51, 81, 111, 141, 171, 201, 231, 270, 12};
    for (size_t i = 0; i < 9; ++i)
        EXPECT_EQ(boxes[i + 1].rect.top, tops[i]) << "knob " << i;

    // After host parameter changes the knobs follow at the next frame.
    rig.SetSlider(5, -15.0);
    rig.SetSlider(10, 5.5);
    rig.SetSlider(11, -20.0);
    rig.Frame(0, 0);
    const std::vector<double> lefts = KnobLefts(rig.target);
    EXPECT_EQ(lefts[2], 116.0 + 15.0 / 30.0 * 172.0);
    EXPECT_DOUBLE_EQ(lefts[7], 261.0 + 4.5 / 9.0 * 72.0);
    EXPECT_EQ(lefts[8], 151.0 + 60.0 / 80.0 * 72.0);
}

TEST(LevellerFrame, CaptionsValuesAndStepNames)
{
    LevellerRig rig(44100.0, 512, true);
    rig.SetSlider(5, -12.0);
    rig.SetSlider(10, 2.5);
    rig.SetSlider(3, 2.0);
    rig.SetSlider(4, 11.0);
    rig.Frame(0, 0);
    const RecordingTarget& t = rig.target;

    // Captions end 5 pixels left of the track and are centred on the row (text height 14).
    const std::vector<GfxCall> lfCaption = t.TextsEqualTo("LF Filter");
    ASSERT_EQ(lfCaption.size(), 1u);
    EXPECT_EQ(lfCaption[0].rect.left, 115.0 - 9 * kChar - 5.0);
    EXPECT_EQ(lfCaption[0].rect.top, 53.0);
    EXPECT_EQ(lfCaption[0].rect.bottom, 53.0 + 16.0);
    EXPECT_EQ(lfCaption[0].color, kCaptionGrey);

    // Step names at x 320 on their row, in the caption's colour.
    const std::vector<GfxCall> fortyHz = t.TextsEqualTo("40 Hz");
    ASSERT_EQ(fortyHz.size(), 1u);
    EXPECT_EQ(fortyHz[0].rect.left, 320.0);
    EXPECT_EQ(fortyHz[0].rect.top, 53.0);
    EXPECT_EQ(fortyHz[0].color, kCaptionGrey);
    ASSERT_EQ(t.TextsEqualTo("1 s").size(), 1u);
    EXPECT_EQ(t.TextsEqualTo("1 s")[0].rect.top, 83.0);

    // Value texts: one decimal, the unit directly after it, right of the track.
    const std::vector<GfxCall> pushDown = t.TextsEqualTo("-12.0dB");
    ASSERT_EQ(pushDown.size(), 1u);
    EXPECT_EQ(pushDown[0].rect.left, 320.0);
    EXPECT_EQ(pushDown[0].rect.top, 113.0);
    EXPECT_EQ(pushDown[0].color, kValueGrey);
    ASSERT_EQ(t.TextsEqualTo("-5.0").size(), 1u); // Recovery has no unit
    const std::vector<GfxCall> speed = t.TextsEqualTo("2.5s");
    ASSERT_EQ(speed.size(), 1u);
    EXPECT_EQ(speed[0].rect.left, 365.0);
    EXPECT_EQ(speed[0].rect.top, 272.0);
    // All value rows share one slot; the last row drawn leaves its text there.
    EXPECT_EQ(rig.fx.LookupString(190000), "2.5s");

    // The Brake in the header band: caption left of its track, "Off" at 0, else its value.
    const std::vector<GfxCall> brake = t.TextsEqualTo("Brake");
    ASSERT_EQ(brake.size(), 1u);
    EXPECT_EQ(brake[0].rect.left, 150.0 - 5 * kChar - 5.0);
    EXPECT_EQ(brake[0].rect.top, 14.0);
    ASSERT_EQ(t.TextsEqualTo("Off").size(), 1u);
    EXPECT_EQ(t.TextsEqualTo("Off")[0].rect.left, 255.0);
    EXPECT_EQ(t.TextsEqualTo("Off")[0].color, kValueGrey);
    rig.SetSlider(11, -50.0);
    rig.Frame(0, 0);
    ASSERT_EQ(rig.target.TextsEqualTo("-50.0dB").size(), 1u);
    EXPECT_EQ(rig.target.TextsEqualTo("-50.0dB")[0].rect.left, 255.0);
    EXPECT_TRUE(rig.target.TextsEqualTo("Off").empty());

    // A value between steps (a restored state can hold one) shows the step the integer rule
    // gives.
    rig.SetRawSlider(3, 3.5);
    rig.Frame(0, 0);
    EXPECT_EQ(rig.target.TextsEqualTo("80 Hz").size(), 1u);
}

TEST(LevellerFrame, SwitchBoxAndMark)
{
    LevellerRig rig(44100.0, 512, true);
    rig.Frame(0, 0);
    const std::vector<GfxCall> rim = rig.target.RectsIn(GfxColor{102, 102, 102, 255});
    ASSERT_EQ(rim.size(), 1u);
    EXPECT_EQ(rim[0].rect.left, 115.0);
    EXPECT_EQ(rim[0].rect.top, 274.0);
    EXPECT_EQ(rim[0].rect.right, 125.0);
    EXPECT_EQ(rim[0].rect.bottom, 284.0);
    const std::vector<GfxCall> well = rig.target.RectsIn(GfxColor{38, 38, 38, 255});
    ASSERT_EQ(well.size(), 1u);
    EXPECT_EQ(well[0].rect.left, 116.0);
    EXPECT_EQ(well[0].rect.bottom, 283.0);
    const GfxColor orange{229, 127, 0, 255};
    EXPECT_TRUE(rig.target.RectsIn(orange).empty());
    const std::vector<GfxCall> caption = rig.target.TextsEqualTo("Filter Side Chain");
    ASSERT_EQ(caption.size(), 1u);
    EXPECT_EQ(caption[0].rect.left, 115.0 - 17 * kChar - 5.0);
    EXPECT_EQ(caption[0].rect.top, 272.0);
    EXPECT_EQ(caption[0].color, (GfxColor{127, 127, 127, 255}));

    rig.SetSlider(2, 1.0);
    rig.Frame(0, 0);
    const std::vector<GfxCall> mark = rig.target.RectsIn(orange);
    ASSERT_EQ(mark.size(), 1u);
    EXPECT_EQ(mark[0].rect.left, 117.0);
    EXPECT_EQ(mark[0].rect.top, 276.0);
    EXPECT_EQ(mark[0].rect.right, 123.0);
    EXPECT_EQ(mark[0].rect.bottom, 282.0);
}

TEST(LevellerFrame, FontsAndBuildLabel)
{
    LevellerRig rig(44100.0, 512, true);
    rig.Frame(0, 0);
    const std::vector<GfxCall> fonts = rig.target.Named("setFont");
    ASSERT_EQ(fonts.size(), 4u);
    EXPECT_EQ(fonts[0].text, "Courier New");
    EXPECT_EQ(fonts[0].value, 11);
    EXPECT_EQ(fonts[0].flags, 0);
    EXPECT_EQ(fonts[1].text, "Arial");
    EXPECT_EQ(fonts[1].value, 11);
    EXPECT_EQ(fonts[1].flags, 1);
    EXPECT_EQ(fonts[2].text, "Arial");
    EXPECT_EQ(fonts[3].value, 10);
    EXPECT_EQ(fonts[3].flags, 0);
    EXPECT_EQ(rig.fx.textHeight, 12.0);

    const std::vector<GfxCall> label = rig.target.TextsEqualTo("Build 170206");
    ASSERT_EQ(label.size(), 1u);
    EXPECT_EQ(label[0].rect.left, 12.0);
    EXPECT_EQ(label[0].rect.top, 580.0);
    EXPECT_EQ(label[0].color, (GfxColor{255, 255, 255, 51}));
    // The build label is the last thing drawn.
    const std::vector<GfxCall>& calls = rig.target.calls;
    const auto lastDraw =
        std::find_if(calls.rbegin(), calls.rend(),
                     [](const GfxCall& c)
                     { return c.op == "drawRect" || c.op == "lineTo" || c.op == "drawString"; });
    ASSERT_NE(lastDraw, calls.rend());
    EXPECT_EQ(lastDraw->text, "Build 170206");
}

TEST(LevellerFrame, RunsWithoutADrawingSurface)
{
    // Natively the plug-in has no editor: every drawing call answers false, yet the frame keeps
    // its state rules (pen, fonts, widgets).
    LevellerRig rig;
    rig.host.target = nullptr;
    rig.HoverAndPress(215, 120);
    EXPECT_EQ(rig.fx.sliders[5], -14.0);
    EXPECT_EQ(rig.fx.textHeight, 12.0);
    EXPECT_EQ(rig.fx.fontIndex, 1.0);
    EXPECT_EQ(rig.fx.penX, 12.0); // the build label measured 0 wide
    EXPECT_EQ(rig.fx.penY, 580.0);
}
