// The leveller's frame drawn by the real toolkit (GDI+ under Wine) into an off-screen context of
// the editor's size, with the artwork from this program's "DATA" resources: where the knobs,
// the switch mark, the cursor and the curves land in pixels, and a picture of the frame left in
// artifacts/ of the build folder.

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "effect/XlatEffect.h"
#include "graphics/FontCache.h"
#include "gui/CBaseObject.h"
#include "gui/CBitmap.h"
#include "gui/COffscreenContext.h"
#include "LevellerPng.h"
#include "runtime/ModuleHandle.h"
#include "tests/support/LevellerDriver.h"

namespace
{

struct Rgb
{
    int r, g, b;
};

class LevellerOffscreen : public ::testing::Test
{
  protected:
    LevellerOffscreen()
    {
        hInstance = GetModuleHandleW(nullptr);
        // A host at 44100 Hz with 512-frame blocks, playing, and an off-screen context as the
        // script view's drawing context while a frame draws.
        host.playing = true;
        host.drawing = false;
        context = new COffscreenContext(nullptr, kEditorWidth, kEditorHeight);
        host.context = context;
        host.fontCache = &fontCache;
        driver.Open();
        driver.Resume();
    }
    ~LevellerOffscreen() override
    {
        fontCache.Release();
        context->forget();
    }

    // One frame as the view's draw runs it, mouse at (x, y) with `buttons`.
    void Frame(double x = 0, double y = 0, double buttons = 0)
    {
        fx.mouseX = x;
        fx.mouseY = y;
        fx.mouseButtons = buttons;
        host.drawing = true;
        fx.DoGfx(kEditorWidth, kEditorHeight);
        host.drawing = false;
    }

    Rgb Pixel(int x, int y)
    {
        Gdiplus::Color c;
        Gdiplus::Bitmap* bitmap = context->getBitmap()->getBitmap();
        if (bitmap == nullptr || bitmap->GetPixel(x, y, &c) != Gdiplus::Ok) return Rgb{-1, -1, -1};
        return Rgb{c.GetR(), c.GetG(), c.GetB()};
    }

    std::vector<uint8_t> Picture()
    {
        std::vector<uint8_t> rgb;
        for (int y = 0; y < kEditorHeight; ++y)
            for (int x = 0; x < kEditorWidth; ++x)
            {
                const Rgb p = Pixel(x, y);
                rgb.insert(rgb.end(), {uint8_t(p.r), uint8_t(p.g), uint8_t(p.b)});
            }
        return rgb;
    }

    CLevellerDriver driver{44100.0, 512, false};
    CFakeHost& host = driver.host;
    TXlatEffect& fx = driver.effect;
    COffscreenContext* context = nullptr;
    CFontCache fontCache;
};

// A gain history of a voice between boosts and cuts: one ordinate per block, 100 = 0 dB.
void WriteVoiceHistory(TXlatEffect& fx, int entries)
{
    LevellerVariables& v = fx.vars;
    v.historyBaseCopy = v.historyBase;
    for (int i = 0; i < entries; ++i)
    {
        const double db = 8.0 * std::sin(i * 0.045) + 4.0 * std::sin(i * 0.21);
        fx.Element(v.historyBase + i) = 100.0 - 5.0 * db;
    }
    v.historyWritePos = entries;
}

} // namespace

TEST_F(LevellerOffscreen, FrameLandsOnTheArtwork)
{
    Frame();
    // The background covers the surface (the artwork is not black anywhere at its corners).
    const Rgb corner = Pixel(2, 2);
    EXPECT_GT(corner.r + corner.g + corner.b, 0);

    // Knob centre lines at their defaults: the knob's left edge plus 12 (row 5 at 288, row 7 at
    // 202): the knob differs from the bare track beside it.
    const Rgb onKnob = Pixel(288 + 12, 118);
    const Rgb offKnob = Pixel(288 - 20, 118);
    EXPECT_NE(onKnob.r + onKnob.g + onKnob.b, offKnob.r + offKnob.g + offKnob.b);

    // The switch: off shows the dark well, on shows the orange mark.
    const Rgb well = Pixel(119, 279);
    EXPECT_EQ(well.r, 38);
    driver.SetSlider(2, 1.0);
    Frame();
    const Rgb mark = Pixel(119, 279);
    EXPECT_EQ(mark.r, 229);
    EXPECT_EQ(mark.g, 127);
    EXPECT_EQ(mark.b, 0);
}

TEST_F(LevellerOffscreen, GraphAndPictureAfterAVoiceHistory)
{
    driver.SetSlider(6, 12.0);
    driver.SetSlider(5, -10.0);
    Frame();
    fx.vars.historyStep = 441000.0 / 512.0 / 360.0;
    const int entries = 700;
    WriteVoiceHistory(fx, entries);
    fx.vars.graphSmooth = 10000.0;
    fx.vars.lastGain = std::pow(10.0, 6.0 / 20.0);
    fx.vars.playState = 1.0;
    for (int i = 0; i < 5; ++i)
        Frame();
    fx.vars.lastGain = std::pow(10.0, -4.5 / 20.0);
    Frame();

    // The cursor: a half-transparent yellow column at the next write position.
    const int cursorX = static_cast<int>(27.0 + entries / fx.vars.historyStep);
    const Rgb cursor = Pixel(cursorX, 320);
    EXPECT_GT(cursor.r, 100);
    EXPECT_GT(cursor.g, 100);
    EXPECT_LT(cursor.b, cursor.r / 2);

    EXPECT_EQ(fx.LookupString(190001), "10.50 dB");
    EXPECT_TRUE(
        WriteLevellerPng(LEVELLER_OFFSCREEN_ARTIFACT, kEditorWidth, kEditorHeight, Picture()));
}
