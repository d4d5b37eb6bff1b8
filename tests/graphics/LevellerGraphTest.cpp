// The leveller editor's graph, meters, readouts and the clicks on the graph and readout areas.

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "LevellerRig.h"

namespace
{

constexpr GfxColor kCursorYellow{255, 255, 0, 127};
constexpr GfxColor kCurveWhite{255, 255, 255, 127};
constexpr GfxColor kSmoothOrange{255, 127, 0, 255};

double& HistoryEntry(LevellerRig& rig, int i)
{
    return rig.fx.Element(rig.fx.vars.historyBase + i);
}

// Plays `blocks` blocks of 512 frames of a constant level with the transport running.
void Play(LevellerRig& rig, int blocks, double level)
{
    rig.host.playing = true;
    for (int i = 0; i < blocks; ++i)
        rig.ProcessBlock(512, level);
}

} // namespace

TEST(LevellerGraph, CursorAndCurvesFollowTheHistory)
{
    LevellerRig rig(44100.0, 512, true);
    rig.Frame(0, 0); // the slider code has set the history step
    rig.fx.vars.historyBaseCopy = rig.fx.vars.historyBase;
    rig.fx.vars.historyStep = 1.0;
    rig.fx.vars.historyWritePos = 0.0;
    HistoryEntry(rig, 0) = 100.0;
    HistoryEntry(rig, 1) = 0.0;
    HistoryEntry(rig, 2) = 199.0;
    const double firstY = rig.fx.vars.curveLastY;
    rig.Frame(0, 0);

    const std::vector<GfxCall> cursor = rig.target.LinesIn(kCursorYellow);
    ASSERT_EQ(cursor.size(), 1u);
    EXPECT_EQ(cursor[0].rect.left, 27.0);
    EXPECT_EQ(cursor[0].rect.top, 300.0);
    EXPECT_EQ(cursor[0].rect.bottom, 500.0);
    EXPECT_EQ(cursor[0].mode, 3); // anti-aliased

    // One segment per column; the first joins the previous frame's last point.
    const std::vector<GfxCall> curve = rig.target.LinesIn(kCurveWhite);
    ASSERT_EQ(curve.size(), 360u);
    EXPECT_EQ(curve[0].rect.top, firstY);
    EXPECT_EQ(curve[0].rect.right, 27.0);
    EXPECT_EQ(curve[0].rect.bottom, 400.0); // 100: 0 dB
    EXPECT_EQ(curve[1].rect.right, 28.0);
    EXPECT_EQ(curve[1].rect.bottom, 300.0); // 0: +20 dB
    EXPECT_EQ(curve[2].rect.bottom, 499.0); // 199: -20 dB
    EXPECT_EQ(curve[359].rect.right, 27.0 + 359.0);
    EXPECT_EQ(rig.fx.vars.curveLastY, curve[359].rect.bottom);
    EXPECT_EQ(rig.target.LinesIn(kSmoothOrange).size(), 360u);

    // The cursor moves with the write position: 215 entries at 1.2 per column.
    rig.fx.vars.historyWritePos = 215.0;
    rig.fx.vars.historyStep = 1.2;
    rig.Frame(0, 0);
    const std::vector<GfxCall> moved = rig.target.LinesIn(kCursorYellow);
    ASSERT_EQ(moved.size(), 1u);
    EXPECT_DOUBLE_EQ(moved[0].rect.left, 27.0 + 215.0 / 1.2);
}

TEST(LevellerGraph, SmoothedCurveRunsOnAcrossFrames)
{
    LevellerRig rig;
    rig.Frame(0, 0);
    rig.fx.vars.historyBaseCopy = rig.fx.vars.historyBase;
    rig.fx.vars.historyStep = 1.0;
    rig.fx.vars.graphSmooth = 10000.0; // as after a history start: 100 squared
    for (int i = 0; i < 360; ++i)
        HistoryEntry(rig, i) = 100.0;
    rig.Frame(0, 0);
    EXPECT_DOUBLE_EQ(rig.fx.vars.graphSmooth, 10000.0);
    EXPECT_DOUBLE_EQ(rig.fx.vars.smoothLastY, 400.0);
    for (int i = 0; i < 360; ++i)
        HistoryEntry(rig, i) = 0.0;
    rig.Frame(0, 0);
    const double expected = 10000.0 * std::pow(0.995, 360);
    EXPECT_NEAR(rig.fx.vars.graphSmooth, expected, 1e-6);
    rig.Frame(0, 0);
    EXPECT_NEAR(rig.fx.vars.graphSmooth, expected * std::pow(0.995, 360), 1e-6);
    EXPECT_NEAR(rig.fx.vars.smoothLastY, 300.0 + std::sqrt(expected * std::pow(0.995, 360)), 1e-9);
}

TEST(LevellerGraph, MetersAndReadouts)
{
    LevellerRig rig(44100.0, 512, true);
    rig.Frame(0, 0);
    // Stopped: the readouts show the extremes as they were (0 after open).
    EXPECT_EQ(rig.fx.LookupString(190001), "0.00 dB");

    rig.fx.vars.playState = 1.0;
    rig.fx.vars.lastGain = std::pow(10.0, 6.0 / 20.0);
    rig.Frame(0, 0);
    EXPECT_EQ(rig.fx.LookupString(190001), "6.00 dB");
    EXPECT_EQ(rig.fx.LookupString(190002), "6.00 dB");
    EXPECT_EQ(rig.fx.LookupString(190003), "0.00 dB");
    rig.fx.vars.lastGain = std::pow(10.0, -3.0 / 20.0);
    rig.Frame(0, 0);
    EXPECT_EQ(rig.fx.LookupString(190001), "9.00 dB");
    EXPECT_EQ(rig.fx.LookupString(190002), "6.00 dB");
    EXPECT_EQ(rig.fx.LookupString(190003), "-3.00 dB");

    // Where and in which colours.
    const RecordingTarget& t = rig.target;
    const std::vector<GfxCall> label1 = t.TextsEqualTo("Dyn.Range Reduction:");
    ASSERT_EQ(label1.size(), 1u);
    EXPECT_EQ(label1[0].rect.left, 119.0);
    EXPECT_EQ(label1[0].rect.top, 540.0);
    EXPECT_EQ(label1[0].color, (GfxColor{255, 127, 51, 178}));
    const std::vector<GfxCall> value1 = t.TextsEqualTo("9.00 dB");
    ASSERT_EQ(value1.size(), 1u);
    EXPECT_EQ(value1[0].rect.left, 267.0);
    EXPECT_EQ(value1[0].rect.top, 540.0);
    EXPECT_EQ(value1[0].color, (GfxColor{255, 127, 51, 178}));
    const std::vector<GfxCall> value3 = t.TextsEqualTo("-3.00 dB");
    ASSERT_EQ(value3.size(), 1u);
    EXPECT_EQ(value3[0].rect.top, 570.0);
    EXPECT_EQ(value3[0].color, (GfxColor{178, 178, 178, 178}));
    ASSERT_EQ(t.TextsEqualTo("Max Gain: ").size(), 1u);
    EXPECT_EQ(t.TextsEqualTo("Max Gain: ")[0].rect.top, 555.0);

    // Stopped and a slider changed: the extremes restart, the readouts keep what they showed.
    rig.fx.vars.playState = 0.0;
    rig.SetSlider(6, 5.0);
    rig.Frame(0, 0);
    EXPECT_EQ(rig.fx.vars.maxGainDb, 0.0);
    EXPECT_EQ(rig.fx.LookupString(190001), "9.00 dB");
    // The first playing frame after it, at -2 dB: |g|, max(g, 0), min(g, 0).
    rig.fx.vars.playState = 1.0;
    rig.fx.vars.lastGain = std::pow(10.0, -2.0 / 20.0);
    rig.Frame(0, 0);
    EXPECT_EQ(rig.fx.LookupString(190001), "2.00 dB");
    EXPECT_EQ(rig.fx.LookupString(190002), "0.00 dB");
    EXPECT_EQ(rig.fx.LookupString(190003), "-2.00 dB");
}

TEST(LevellerGraph, NoGainYetLeavesTheMetersFinite)
{
    // A block with the transport running but no frame processed yet: the gain is still 0.
    LevellerRig rig;
    rig.host.playing = true;
    rig.ProcessBlock(0, 0.0);
    rig.Frame(0, 0);
    EXPECT_EQ(rig.fx.vars.maxAttenuationDb, 0.0);
    EXPECT_EQ(rig.fx.LookupString(190001), "0.00 dB");
    EXPECT_EQ(rig.fx.LookupString(190003), "0.00 dB");
}

TEST(LevellerGraph, ClicksOnTheGraphAndTheReadouts)
{
    LevellerRig rig;
    rig.SetSlider(6, 12.0); // Pull Up: quiet passages are boosted
    Play(rig, 40, 0.001);
    rig.Frame(0, 0);
    ASSERT_GT(rig.fx.vars.historyWritePos, 30.0);
    const int reach = static_cast<int>(std::ceil(441000.0 / 512.0)); // 862
    HistoryEntry(rig, reach + 1) = 55.0;                             // beyond the reach
    ASSERT_NE(HistoryEntry(rig, 3), 100.0);

    // A press anywhere across the graph's height resets the history and the cursor.
    rig.Frame(5, 400, kLeft);
    EXPECT_EQ(rig.fx.vars.historyWritePos, 0.0);
    EXPECT_EQ(rig.fx.vars.graphSmooth, 10000.0);
    EXPECT_EQ(HistoryEntry(rig, 0), 100.0);
    EXPECT_EQ(HistoryEntry(rig, 3), 100.0);
    EXPECT_EQ(HistoryEntry(rig, reach), 100.0);
    EXPECT_EQ(HistoryEntry(rig, reach + 1), 55.0);

    // Below the graph: the extremes restart, the history stays. (Transport stopped, so the
    // frame's meters leave the extremes alone.)
    rig.fx.vars.playState = 0.0;
    rig.fx.vars.maxGainDb = 4.0;
    rig.fx.vars.maxAttenuationDb = -4.0;
    rig.fx.vars.historyWritePos = 12.0;
    rig.Frame(5, 550, kLeft);
    EXPECT_EQ(rig.fx.vars.maxGainDb, 0.0);
    EXPECT_EQ(rig.fx.vars.maxAttenuationDb, 0.0);
    EXPECT_EQ(rig.fx.vars.historyWritePos, 12.0);

    // Exactly on the border: neither; without a button: neither.
    rig.fx.vars.maxGainDb = 4.0;
    rig.Frame(5, 520, kLeft);
    rig.Frame(5, 400, 0);
    EXPECT_EQ(rig.fx.vars.maxGainDb, 4.0);
    EXPECT_EQ(rig.fx.vars.historyWritePos, 12.0);
}

TEST(LevellerGraph, BlockSizeZeroNeitherHangsNorDrawsNonFiniteCoordinates)
{
    LevellerRig rig(44100.0, 0, true);
    rig.fx.vars.historyWritePos = 5.0;
    rig.Frame(0, 0);
    EXPECT_TRUE(rig.target.AllCoordinatesFinite());
    rig.Frame(200, 400, kLeft); // graph click: the refill must end
    EXPECT_EQ(rig.fx.vars.historyWritePos, 0.0);
    EXPECT_TRUE(rig.target.AllCoordinatesFinite());

    // Before any resume (open only) the history has no layout at all.
    CFakeHost host;
    RecordingTarget target;
    SetUpLevellerTarget(target);
    host.target = &target;
    TXlatEffect fx;
    fx.adapter = &host;
    fx.DoOpen();
    fx.mouseY = 400;
    fx.mouseButtons = kLeft;
    fx.DoGfx(kEditorWidth, kEditorHeight);
    EXPECT_TRUE(target.AllCoordinatesFinite());
    EXPECT_EQ(target.LinesIn(kCursorYellow).size(), 0u); // no history step: no cursor
}

TEST(LevellerGraph, DrawingNeverGrowsScriptMemory)
{
    // A history step far larger than the history (a corrupted or extreme layout) would touch a
    // new memory page at every column; the graph reads untouched pages as 0 instead.
    LevellerRig rig;
    rig.Frame(0, 0);
    const size_t pages = rig.fx.memory.size();
    rig.fx.vars.historyStep = 1.0e6;
    rig.Frame(0, 0);
    EXPECT_EQ(rig.fx.memory.size(), pages);
    EXPECT_EQ(rig.fx.vars.curveLastY, 300.0); // an untouched entry reads as 0 (+20 dB)
}
