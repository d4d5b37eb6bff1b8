// The drawing primitives: colour bytes, pen rules, rectangles, lines, text line handling and the
// frame start, checked through the calls they make on a recording drawing target and without
// any drawing target at all (the gfx hook run outside a view draw).
#include <gtest/gtest.h>

#include <initializer_list>

#include "GfxRecordingTarget.h"
#include "graphics/ColorByte.h"
#include "graphics/GfxBridge.h"
#include "runtime/Xlat.h"

namespace
{

struct Drawing : GfxDrawingTest
{
};

GfxColor Bytes(int r, int g, int b, int a)
{
    return GfxColor{uint8_t(r), uint8_t(g), uint8_t(b), uint8_t(a)};
}

} // namespace

TEST(ColorByteRule, ScalesTruncatesWithTheScriptNudgeAndLimits)
{
    EXPECT_EQ(ColorByte(0.5), 127);
    EXPECT_EQ(ColorByte(0.15), 38);
    EXPECT_EQ(ColorByte(0.4), 102);
    EXPECT_EQ(ColorByte(0.6), 153);
    EXPECT_EQ(ColorByte(0.7), 178);
    EXPECT_EQ(ColorByte(0.9), 229);
    EXPECT_EQ(ColorByte(1.0), 255);
    EXPECT_EQ(ColorByte(1.2), 255);
    EXPECT_EQ(ColorByte(-0.1), 0);
    EXPECT_EQ(ColorByte(0.2), 51);
    // 0.2 x 255 is 50.99999999999999; the 0.0001 nudge is what makes it 51.
    EXPECT_EQ(ColorByte(50.9999 / 255.0), 51);
    EXPECT_EQ(ColorByte(std::nan("")), 0);
    EXPECT_EQ(ColorByte(1e300), 255);
    EXPECT_EQ(ColorByte(-1e300), 0);
}

TEST_F(Drawing, RectToFloorsTheCornersFillsAliasedAndKeepsThePenExact)
{
    runtime.colorR = 0.4;
    runtime.colorG = 0.15;
    runtime.colorB = 1.0;
    runtime.colorA = 0.5;
    runtime.penX = 10.7;
    runtime.penY = 20.2;
    runtime.RectTo(30.9, 40.5);
    EXPECT_DOUBLE_EQ(runtime.penX, 30.9);
    EXPECT_DOUBLE_EQ(runtime.penY, 40.5);
    ASSERT_EQ(target.calls.size(), 3u);
    EXPECT_EQ(target.calls[0].op, "setFillColor");
    EXPECT_EQ(target.calls[0].color, Bytes(102, 38, 255, 127));
    EXPECT_EQ(target.calls[1].op, "setDrawMode");
    EXPECT_EQ(target.calls[1].value, 0);
    EXPECT_EQ(target.calls[2].op, "drawRect");
    EXPECT_EQ(target.calls[2].rect, (GfxRect{10, 20, 30, 40}));
    EXPECT_EQ(target.calls[2].value, 1);

    // The pen below and to the right: the corners go over as they are (the context orders
    // them), floored towards minus infinity.
    target.calls.clear();
    runtime.penX = 30.9;
    runtime.penY = 40.5;
    runtime.RectTo(-0.5, 20.2);
    ASSERT_EQ(target.Named("drawRect").size(), 1u);
    EXPECT_EQ(target.Named("drawRect")[0].rect, (GfxRect{30, 40, -1, 20}));
}

TEST_F(Drawing, FillRectIsPenPlusRectToAndLeavesThePenAtTheFarCorner)
{
    runtime.colorR = 0.9;
    runtime.colorG = 0.5;
    runtime.colorB = 0.0;
    runtime.colorA = 1.0;
    runtime.FillRect(117, 276, 6, 6);
    EXPECT_EQ(runtime.penX, 123);
    EXPECT_EQ(runtime.penY, 282);
    ASSERT_EQ(target.Named("drawRect").size(), 1u);
    EXPECT_EQ(target.Named("drawRect")[0].rect, (GfxRect{117, 276, 123, 282}));
    EXPECT_EQ(target.Named("setFillColor")[0].color, Bytes(229, 127, 0, 255));
}

TEST_F(Drawing, LineToDrawsAntialiasedFromThePenWithUnroundedCoordinates)
{
    runtime.colorR = runtime.colorG = 1.0;
    runtime.colorB = 0.0;
    runtime.colorA = 0.5;
    runtime.penX = 27;
    runtime.penY = 350;
    runtime.LineTo(27.6, 300.4);
    ASSERT_EQ(target.calls.size(), 4u);
    EXPECT_EQ(target.calls[0].op, "setFrameColor");
    EXPECT_EQ(target.calls[0].color, Bytes(255, 255, 0, 127));
    EXPECT_EQ(target.calls[1].op, "setDrawMode");
    EXPECT_EQ(target.calls[1].value, 3);
    EXPECT_EQ(target.calls[2].op, "moveTo");
    EXPECT_EQ(target.calls[2].point, (GfxPoint{27, 350}));
    EXPECT_EQ(target.calls[3].op, "lineTo");
    EXPECT_EQ(target.calls[3].point, (GfxPoint{27.6, 300.4}));
    EXPECT_DOUBLE_EQ(runtime.penX, 27.6);
    EXPECT_DOUBLE_EQ(runtime.penY, 300.4);
}

TEST_F(Drawing, DrawStrDrawsLineByLineInBoxesOneTextHeightPlusTwoTall)
{
    runtime.RegisterString(10060, "Pull\nUp dB");
    runtime.textHeight = 14;
    runtime.colorR = runtime.colorG = runtime.colorB = 0.6;
    runtime.colorA = 1.0;
    runtime.penX = 50;
    runtime.penY = 100;
    runtime.DrawStr(10060);

    EXPECT_EQ(target.calls[0].op, "setFontColor");
    EXPECT_EQ(target.calls[0].color, Bytes(153, 153, 153, 255));
    EXPECT_EQ(target.calls[1].op, "setDrawMode");
    EXPECT_EQ(target.calls[1].value, 3);
    const auto widths = target.Named("getStringWidth");
    ASSERT_EQ(widths.size(), 2u); // each line measured once
    EXPECT_EQ(widths[0].text, "Pull");
    EXPECT_EQ(widths[1].text, "Up dB");
    const auto lines = target.Named("drawString");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, "Pull");
    EXPECT_EQ(lines[0].rect, (GfxRect{50, 100, 50 + 4 * 7, 116}));
    EXPECT_EQ(lines[0].value, 0); // left-aligned
    EXPECT_EQ(lines[1].text, "Up dB");
    EXPECT_EQ(lines[1].rect, (GfxRect{50, 114, 50 + 5 * 7, 130}));
    // The pen: one line down, and to the right by the LAST line's width.
    EXPECT_EQ(runtime.penX, 50 + 5 * 7);
    EXPECT_EQ(runtime.penY, 114);
}

TEST_F(Drawing, DrawStrEdgeCasesEmptyTrailingFeedAndUnknownHandle)
{
    runtime.textHeight = 12;
    runtime.RegisterString(10061, "");
    runtime.RegisterString(10062, "abc\n");
    runtime.penX = 5;
    runtime.penY = 6;

    runtime.DrawStr(10061);
    EXPECT_EQ(runtime.penX, 5);
    EXPECT_EQ(runtime.penY, 6);

    // A trailing line feed ends with an empty last line: the pen goes down, not right.
    runtime.DrawStr(10062);
    EXPECT_EQ(runtime.penX, 5);
    EXPECT_EQ(runtime.penY, 18);

    // A handle that is not in the table gets an empty entry and draws an empty line.
    const size_t before = runtime.strings.size();
    target.calls.clear();
    runtime.DrawStr(123456.99999);
    EXPECT_EQ(runtime.strings.size(), before + 1);
    EXPECT_EQ(runtime.strings.count(123457), 1u);
    ASSERT_EQ(target.Named("drawString").size(), 1u);
    EXPECT_EQ(target.Named("drawString")[0].text, "");
    EXPECT_EQ(runtime.penX, 5);
}

TEST_F(Drawing, DrawStrWithAnUnmeasurableFontNeverMovesThePenBackwards)
{
    target.charWidth = -1.0; // a context without a usable font answers -1
    runtime.RegisterString(10063, "abc");
    runtime.penX = 40;
    runtime.DrawStr(10063);
    EXPECT_EQ(runtime.penX, 40);
    ASSERT_EQ(target.Named("drawString").size(), 1u);
    EXPECT_EQ(target.Named("drawString")[0].rect.right, 40);
    double w = 5, h = 0;
    runtime.MeasureStr(10063, w, h);
    EXPECT_EQ(w, 0);
}

TEST_F(Drawing, MeasureStrMeasuresTheWholeStringAndDrawsNothing)
{
    runtime.RegisterString(10064, "ab\ncd");
    runtime.textHeight = 14;
    runtime.penX = 3;
    double w = 0, h = 0;
    runtime.MeasureStr(10064, w, h);
    EXPECT_EQ(w, 5 * 7); // line feeds are not split here
    EXPECT_EQ(h, 14);
    EXPECT_EQ(runtime.penX, 3);
    EXPECT_TRUE(target.Named("drawString").empty());
}

TEST_F(Drawing, OutsideAViewDrawPrimitivesKeepTheirStateRulesAndDrawNothing)
{
    plugin.drawing = false;
    runtime.penX = runtime.penY = 0;
    runtime.LineTo(5, 5);
    EXPECT_EQ(runtime.penX, 5);
    EXPECT_EQ(runtime.penY, 5);
    runtime.RectTo(9.5, 7.5);
    EXPECT_EQ(runtime.penX, 9.5);
    runtime.FillRect(1, 2, 3, 4);
    EXPECT_EQ(runtime.penX, 4);
    EXPECT_EQ(runtime.penY, 6);
    // Widths are 0 without a context: only the line feeds move the pen.
    runtime.textHeight = 10;
    runtime.RegisterString(10065, "one\ntwo\nthree");
    runtime.DrawStr(10065);
    EXPECT_EQ(runtime.penX, 4);
    EXPECT_EQ(runtime.penY, 26);
    double w = 1, h = 0;
    runtime.MeasureStr(10065, w, h);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 10);
    EXPECT_TRUE(target.calls.empty());

    // No plug-in object at all behaves the same.
    runtime.adapter = nullptr;
    runtime.LineTo(8, 9);
    EXPECT_EQ(runtime.penX, 8);
    runtime.DrawStr(10065);
    EXPECT_EQ(runtime.penX, 8);
}

TEST_F(Drawing, BeginFrameTakesTheEditorSizeAndOneMouseSnapshot)
{
    runtime.mouseX = 215;
    runtime.mouseY = 121;
    runtime.mouseButtons = 9;
    runtime.BeginFrame();
    EXPECT_EQ(runtime.surfaceWidth, kEditorWidth);
    EXPECT_EQ(runtime.surfaceHeight, kEditorHeight);
    EXPECT_EQ(runtime.frameMouseX, 215);
    EXPECT_EQ(runtime.frameMouseY, 121);
    EXPECT_EQ(runtime.frameMouseButtons, 9);
    // No clear colour: nothing drawn, colour untouched.
    EXPECT_TRUE(target.calls.empty());

    // Mouse events between frames change only the live state.
    runtime.mouseX = 10;
    runtime.mouseButtons = 0;
    EXPECT_EQ(runtime.frameMouseX, 215);
    EXPECT_EQ(runtime.frameMouseButtons, 9);

    // Without an editor the surface keeps its size; the snapshot is still taken.
    plugin.hasEditor = false;
    runtime.surfaceWidth = 17;
    runtime.BeginFrame();
    EXPECT_EQ(runtime.surfaceWidth, 17);
    EXPECT_EQ(runtime.frameMouseX, 10);
    EXPECT_EQ(runtime.frameMouseButtons, 0);
}

TEST_F(Drawing, BeginFrameClearsWithThePackedClearColour)
{
    runtime.clearColor = 0x336699; // blue 0x33, green 0x66, red 0x99
    runtime.penX = 77;
    runtime.penY = 88;
    runtime.BeginFrame();
    EXPECT_EQ(runtime.colorA, 1.0);
    EXPECT_DOUBLE_EQ(runtime.colorR, 0x99 / 255.0);
    EXPECT_DOUBLE_EQ(runtime.colorG, 0x66 / 255.0);
    EXPECT_DOUBLE_EQ(runtime.colorB, 0x33 / 255.0);
    ASSERT_EQ(target.Named("drawRect").size(), 1u);
    EXPECT_EQ(target.Named("drawRect")[0].rect, (GfxRect{0, 0, kEditorWidth, kEditorHeight}));
    EXPECT_EQ(target.Named("setFillColor")[0].color, Bytes(0x99, 0x66, 0x33, 255));
    EXPECT_EQ(runtime.penX, kEditorWidth);
    EXPECT_EQ(runtime.penY, kEditorHeight);

    // A clear colour inside the script's zero band is false: no clearing. A NaN one is true
    // and must not reach an undefined conversion (it clears with black).
    target.calls.clear();
    runtime.clearColor = 0.000001;
    runtime.BeginFrame();
    EXPECT_TRUE(target.calls.empty());
    runtime.clearColor = std::nan("");
    runtime.BeginFrame();
    ASSERT_EQ(target.Named("setFillColor").size(), 1u);
    EXPECT_EQ(target.Named("setFillColor")[0].color, Bytes(0, 0, 0, 255));
}

TEST_F(Drawing, OpenHookZeroesTheDrawingVariablesButNotThePen)
{
    runtime.colorR = runtime.colorG = runtime.colorB = runtime.colorA = 0.5;
    runtime.fontIndex = 1;
    runtime.surfaceWidth = runtime.surfaceHeight = 3;
    runtime.clearColor = 5;
    runtime.frameMouseX = runtime.frameMouseY = runtime.frameMouseButtons = 7;
    runtime.penX = 11;
    runtime.textHeight = 14;
    runtime.DoOpen();
    for (double v : std::initializer_list<double>{
             runtime.colorR, runtime.colorG, runtime.colorB, runtime.colorA, runtime.fontIndex,
             runtime.surfaceWidth, runtime.surfaceHeight, runtime.clearColor, runtime.frameMouseX,
             runtime.frameMouseY, runtime.frameMouseButtons})
        EXPECT_EQ(v, 0.0);
    EXPECT_EQ(runtime.penX, 11);
    EXPECT_EQ(runtime.textHeight, 14);
}

TEST_F(Drawing, BridgeAnswersFalseOutsideADrawAndLimitsColourBytes)
{
    int32_t r = 9, g = 9, b = 9, a = 9;
    EXPECT_TRUE(GfxGetPoint(&plugin, 3, 4, r, g, b, a));
    EXPECT_EQ(r + g + b, 0);
    EXPECT_EQ(a, 255);
    EXPECT_TRUE(GfxSetFrameColor(&plugin, -5, 300, 128, 255));
    EXPECT_EQ(target.Named("setFrameColor")[0].color, Bytes(0, 255, 128, 255));

    plugin.drawing = false;
    target.calls.clear();
    int32_t w = 1, h = 1;
    EXPECT_TRUE(GfxGetSize(&plugin, w, h)); // needs only the editor
    EXPECT_EQ(w, kEditorWidth);
    EXPECT_FALSE(GfxSetDrawMode(&plugin, 3));
    EXPECT_FALSE(GfxMoveTo(&plugin, 1, 2));
    EXPECT_FALSE(GfxDrawRect(&plugin, 0, 0, 1, 1, 1));
    EXPECT_FALSE(GfxDrawEllipse(&plugin, 0, 0, 1, 1, 1));
    EXPECT_FALSE(GfxDrawArc(&plugin, 0, 0, 1, 1, 0, 90, 1));
    EXPECT_FALSE(GfxDrawString(&plugin, "x", 0, 0, 1, 1, false, 0));
    EXPECT_FALSE(GfxDrawStringAligned(&plugin, "x", 0, 0, 1, 1, 0, true));
    EXPECT_FALSE(GfxDrawStringAt(&plugin, "x", 0, 0, true));
    EXPECT_FALSE(GfxDrawPoint(&plugin, 0, 0, 1, 2, 3, 4));
    EXPECT_FALSE(GfxGetPoint(&plugin, 0, 0, r, g, b, a));
    EXPECT_FALSE(GfxSetFont(&plugin, "Arial", 11, 1));
    EXPECT_EQ(GfxGetStringWidth(&plugin, "abc"), 0.0);
    EXPECT_EQ(GfxGetFontSize(&plugin), 0);
    EXPECT_TRUE(target.calls.empty());

    EXPECT_FALSE(GfxGetSize(nullptr, w, h));
    EXPECT_EQ(w, 0);
    EXPECT_FALSE(GfxLineTo(nullptr, 1, 1));
    EXPECT_EQ(GfxGetStringWidth(nullptr, "abc"), 0.0);
}
