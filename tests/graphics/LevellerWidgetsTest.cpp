// The leveller editor's slider rows and switch, driven frame by frame as the mouse callbacks and
// the view's redraws would drive them.

#include <cmath>

#include <gtest/gtest.h>

#include "graphics/LevellerLayout.h"
#include "graphics/LevellerWidgets.h"
#include "LevellerRig.h"

namespace
{

// Pointer positions on the rows (vertical centres).
constexpr double kRow5Y = 120;  // Push Down, -30..0
constexpr double kRow6Y = 150;  // Pull Up, 0..30
constexpr double kRow7Y = 180;  // Recovery, -10..0, default -5
constexpr double kRow10Y = 279; // Display Speed, 1..10, step 0.1
constexpr double kSwitchX = 120;
constexpr double kSwitchY = 279;

} // namespace

TEST(LevellerSliderRows, PressAfterHoverDragsAndQuantisesUpwards)
{
    LevellerRig rig;
    rig.Frame(10, 10); // the first frame's slider-code run is behind us
    rig.HoverAndPress(215, kRow5Y);
    EXPECT_EQ(rig.fx.sliders[5], -14.0); // ceil(87 / 172 * 30) - 30
    EXPECT_EQ(rig.fx.vars.widget5.dragging, 1.0);
    // The same frame re-ran the slider code with the new value and cleared the request.
    EXPECT_DOUBLE_EQ(rig.fx.vars.targetLevel, std::pow(10.0, -14.0 / 20.0));
    EXPECT_EQ(rig.fx.vars.rerunSliderCode, 0.0);

    // A step boundary passed by any amount gives the next step.
    rig.Frame(128, kRow5Y, kLeft);
    EXPECT_EQ(rig.fx.sliders[5], -30.0);
    rig.Frame(129, kRow5Y, kLeft);
    EXPECT_EQ(rig.fx.sliders[5], -29.0);

    // The drag goes on outside the row; far right gives 18, limited to the maximum 0.
    rig.Frame(400, 20, kLeft);
    EXPECT_EQ(rig.fx.vars.sliderCopy5, 0.0);
    EXPECT_EQ(rig.fx.sliders[5], 0.0);
    rig.Frame(-50, 20, kLeft);
    EXPECT_EQ(rig.fx.sliders[5], -30.0);

    // Release: the drag ends and moving no longer changes anything.
    rig.Frame(215, kRow5Y, 0);
    EXPECT_EQ(rig.fx.vars.widget5.dragging, 0.0);
    rig.Frame(300, kRow5Y, 0);
    EXPECT_EQ(rig.fx.sliders[5], -30.0);
}

TEST(LevellerSliderRows, PressWithoutHoverOrOnAnotherRowIsIgnored)
{
    LevellerRig rig;
    rig.Frame(0, 0);
    // The press arrives in the first frame that sees the pointer over the row.
    rig.Frame(215, kRow5Y, kLeft);
    EXPECT_EQ(rig.fx.sliders[5], 0.0);
    EXPECT_EQ(rig.fx.vars.widget5.dragging, 0.0);
    // Pressed outside and moved in while held: still not grabbed.
    rig.Frame(150, kRow5Y, kLeft);
    EXPECT_EQ(rig.fx.sliders[5], 0.0);

    // A drag on row 6 that crosses row 5 moves only row 6.
    rig.Frame(0, 0);
    rig.HoverAndPress(215, kRow6Y);
    EXPECT_EQ(rig.fx.sliders[6], 16.0); // ceil(87 / 172 * 30) + 0
    rig.Frame(150, kRow5Y, kLeft);
    EXPECT_EQ(rig.fx.sliders[5], 0.0);
    EXPECT_EQ(rig.fx.sliders[6], 4.0); // ceil(22 / 172 * 30)
}

TEST(LevellerSliderRows, ShiftDragMovesFinelyFromItsAnchor)
{
    LevellerRig rig;
    rig.HoverAndPress(200, kRow5Y, kLeft + kShift);
    EXPECT_EQ(rig.fx.vars.widget5.fineAnchor, 200.0);
    // At the anchor the knob keeps its place: rel = 200 - 115 - 26 + 13 = 72.
    EXPECT_EQ(rig.fx.sliders[5], std::ceil(72.0 / 172.0 * 30.0) - 30.0);
    // 40 pixels of travel at an anchor of 200 move the knob 20 pixels: rel 92.
    rig.Frame(240, kRow5Y, kLeft + kShift);
    EXPECT_EQ(rig.fx.sliders[5], std::ceil(92.0 / 172.0 * 30.0) - 30.0);
    EXPECT_EQ(rig.fx.sliders[5], -13.0);
    EXPECT_EQ(rig.fx.vars.widget5.fineAnchor, 200.0);

    // Without shift the anchor is dropped and the knob is centred under the pointer again.
    rig.Frame(240, kRow5Y, kLeft);
    EXPECT_EQ(rig.fx.vars.widget5.fineAnchor, 0.0);
    EXPECT_EQ(rig.fx.sliders[5], std::ceil(112.0 / 172.0 * 30.0) - 30.0);
}

TEST(LevellerSliderRows, ControlPressResetsToTheDefault)
{
    LevellerRig rig;
    rig.SetSlider(7, -2.0);
    rig.Frame(0, 0);
    EXPECT_EQ(rig.fx.sliders[7], -2.0);
    rig.HoverAndPress(300, kRow7Y, kLeft + kControl);
    EXPECT_EQ(rig.fx.sliders[7], -5.0);
    EXPECT_EQ(rig.fx.vars.recoveryTime, 0.25);
    // Held and moved: still the default.
    rig.Frame(140, kRow7Y, kLeft + kControl);
    EXPECT_EQ(rig.fx.sliders[7], -5.0);
}

TEST(LevellerSliderRows, DisplaySpeedQuantisesToTenths)
{
    LevellerRig rig;
    rig.HoverAndPress(300, kRow10Y);
    // fraction 27 / 72 = 0.375; ceil(0.375 * 9 * 10) / 10 = 3.4; plus the minimum 1.
    EXPECT_DOUBLE_EQ(rig.fx.sliders[10], 4.4);
    EXPECT_DOUBLE_EQ(rig.fx.vars.historySpan, 4.4 * 44100.0);
    rig.Frame(1000, kRow10Y, kLeft);
    EXPECT_EQ(rig.fx.sliders[10], 10.0);
}

TEST(LevellerSliderRows, HostValuesOutsideTheRangeArePulledIn)
{
    LevellerRig rig;
    rig.SetSlider(9, 35.0);
    rig.SetRawSlider(3, 3.5);          // between steps: kept until a drag quantises it
    rig.SetRawSlider(6, std::nan("")); // no host can set it
    rig.Frame(0, 0);
    EXPECT_EQ(rig.fx.sliders[9], 20.0);
    EXPECT_EQ(rig.fx.sliders[3], 3.5);
    EXPECT_EQ(rig.fx.sliders[6], 0.0); // not a number: the row's default
}

TEST(LevellerSliderRows, FineDragAnchoredAtZeroStaysFinite)
{
    // Straight through the widget: a fine drag running with the pointer at x 0 and no anchor.
    const LevellerSliderGeometry row5 = kLevellerRows[kRowFirstValue].geometry;
    SliderWidgetState state{1.0, 1.0, 0.0};
    double copy = -7.0;
    double rerun = 0.0;
    LevellerSliderMouseStep(row5, {0.0, kRow5Y, kLeft + kShift}, state, copy, rerun);
    EXPECT_TRUE(std::isfinite(copy));
    EXPECT_EQ(copy, std::ceil(-128.0 / 172.0 * 30.0) - 30.0); // follows the pointer
    EXPECT_EQ(state.fineAnchor, 0.0);
    // An anchor that is zero within the truth interval is no anchor either.
    LevellerSliderMouseStep(row5, {0.000001, kRow5Y, kLeft + kShift}, state, copy, rerun);
    EXPECT_TRUE(std::isfinite(copy));
    // Once the pointer leaves x 0 it anchors there and scales from it.
    LevellerSliderMouseStep(row5, {100.0, kRow5Y, kLeft + kShift}, state, copy, rerun);
    EXPECT_EQ(state.fineAnchor, 100.0);
    EXPECT_EQ(copy, std::ceil((100.0 - 115.0 - 26.0 + 13.0) / 172.0 * 30.0) - 30.0);

    // Through frames: a shift drag of row 5 under way when the pointer reaches x 0.
    LevellerRig rig;
    rig.Frame(0, 0);
    rig.fx.vars.widget5 = SliderWidgetState{0.0, 1.0, 0.0};
    for (double x : {0.0, 0.0, 3.0, 0.0})
    {
        rig.Frame(x, kRow5Y + 200, kLeft + kShift);
        ASSERT_TRUE(std::isfinite(rig.fx.sliders[5]));
        EXPECT_GE(rig.fx.sliders[5], -30.0);
        EXPECT_LE(rig.fx.sliders[5], 0.0);
        EXPECT_TRUE(std::isfinite(rig.fx.vars.targetLevel));
    }
}

TEST(LevellerSwitch, TogglesOncePerPressAfterHovering)
{
    LevellerRig rig;
    rig.Frame(0, 0);
    EXPECT_EQ(rig.fx.sliders[2], 0.0);
    rig.HoverAndPress(kSwitchX, kSwitchY);
    EXPECT_EQ(rig.fx.sliders[2], 1.0);
    EXPECT_EQ(rig.fx.vars.sideChainSetting, 1.0); // the slider code ran in the same frame
    for (int i = 0; i < 5; ++i)
    {
        rig.Frame(kSwitchX, kSwitchY, kLeft);
        EXPECT_EQ(rig.fx.sliders[2], 1.0) << "held frame " << i;
    }

    // Released over the box and pressed again: back off.
    rig.HoverAndPress(kSwitchX, kSwitchY);
    EXPECT_EQ(rig.fx.sliders[2], 0.0);

    // Released outside, then pressed over the box without a hovering frame: nothing.
    rig.Frame(0, 0);
    rig.Frame(kSwitchX, kSwitchY, kLeft);
    EXPECT_EQ(rig.fx.sliders[2], 0.0);

    // The box's edges count as inside.
    rig.HoverAndPress(125, 284);
    EXPECT_EQ(rig.fx.sliders[2], 1.0);
    rig.HoverAndPress(126, 284);
    EXPECT_EQ(rig.fx.sliders[2], 1.0);
}
