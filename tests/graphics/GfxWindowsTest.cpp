// The script graphics on the real toolkit (Windows, under Wine): primitives, text and fonts,
// images from the program's "DATA" resources and from files, and the error box, drawn into an
// off-screen drawing context whose pixels are read back.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "GfxRecordingTarget.h"
#include "graphics/FontCache.h"
#include "graphics/GfxBridge.h"
#include "graphics/GfxImageBridge.h"
#include "gui/CBaseObject.h"
#include "gui/CBitmap.h"
#include "gui/CColor.h"
#include "gui/CDrawContext.h"
#include "gui/CFontDesc.h"
#include "gui/COffscreenContext.h"
#include "runtime/ModuleHandle.h"
#include "runtime/Xlat.h"
#include "tests/support/FakeHost.h"

namespace
{

CColor PixelOf(Gdiplus::Bitmap* bitmap, int x, int y)
{
    Gdiplus::Color c;
    if (bitmap == nullptr || bitmap->GetPixel(x, y, &c) != Gdiplus::Ok) return CColor{1, 2, 3, 4};
    return CColor{c.GetR(), c.GetG(), c.GetB(), c.GetA()};
}

std::string Text(const CColor& c)
{
    return std::to_string(c.red) + "," + std::to_string(c.green) + "," + std::to_string(c.blue) +
           "," + std::to_string(c.alpha);
}

// The bytes of this program's "DATA" resource `number`.
std::string ResourceBytes(int number)
{
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(number), "DATA");
    if (found == nullptr) return {};
    HGLOBAL loaded = LoadResource(module, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    return data ? std::string(static_cast<const char*>(data), SizeofResource(module, found))
                : std::string();
}

class ToolkitGraphics : public ::testing::Test
{
  protected:
    ToolkitGraphics()
    {
        hInstance = GetModuleHandleW(nullptr);
        liveAtStart = CBaseObject::getLiveObjectCount();
        runtime = new TXlat();
        context = new COffscreenContext(nullptr, 200, 120);
        plugin.context = context;
        plugin.fontCache = &fontCache;
        runtime->adapter = &plugin;
        Clear();
    }
    ~ToolkitGraphics() override
    {
        delete runtime; // frees the image slots' bitmaps
        fontCache.Release();
        context->forget();
        EXPECT_EQ(CBaseObject::getLiveObjectCount(), liveAtStart) << "toolkit objects leaked";
    }

    void Clear()
    {
        context->setFillColor(kBlackCColor);
        context->drawRect(CRect(0, 0, 200, 120), kDrawFilled);
    }
    CColor Pixel(int x, int y) { return PixelOf(context->getBitmap()->getBitmap(), x, y); }
    // Pixels in the rectangle that are not black.
    int Lit(int left, int top, int right, int bottom)
    {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
            {
                const CColor c = Pixel(x, y);
                n += (c.red | c.green | c.blue) != 0 ? 1 : 0;
            }
        return n;
    }

    int32_t liveAtStart = 0;
    CFontCache fontCache;
    CFakeHost plugin;
    TXlat* runtime = nullptr;
    COffscreenContext* context = nullptr;
};

} // namespace

TEST_F(ToolkitGraphics, RectanglesAndLinesLandOnTheirPixelsInTheScriptColour)
{
    runtime->colorR = 0.9;
    runtime->colorG = 0.5;
    runtime->colorB = 0.0;
    runtime->colorA = 1.0;
    runtime->FillRect(117 - 100, 76 - 40, 6, 6); // (17, 36) .. (23, 42)
    EXPECT_EQ(Text(Pixel(17, 36)), "229,127,0,255");
    EXPECT_EQ(Text(Pixel(22, 41)), "229,127,0,255");
    EXPECT_EQ(Text(Pixel(23, 41)), "0,0,0,255");
    EXPECT_EQ(Text(Pixel(22, 42)), "0,0,0,255");
    EXPECT_EQ(Text(Pixel(16, 36)), "0,0,0,255");

    // The pen below and right of the target corner fills the same, normalised area.
    runtime->colorR = runtime->colorG = runtime->colorB = 0.4;
    runtime->penX = 60.9;
    runtime->penY = 30.5;
    runtime->RectTo(50.2, 20.7);
    EXPECT_EQ(Text(Pixel(50, 20)), "102,102,102,255");
    EXPECT_EQ(Text(Pixel(59, 29)), "102,102,102,255");
    EXPECT_EQ(Text(Pixel(60, 30)), "0,0,0,255");

    // A vertical line from (27, 100) up to (27.6, 50.4): pixel column 27, rows 50 .. 100.
    runtime->colorR = runtime->colorG = runtime->colorB = runtime->colorA = 1.0;
    runtime->penX = 127 - 100;
    runtime->penY = 100;
    runtime->LineTo(27.6, 50.4);
    EXPECT_GT(Lit(27, 52, 28, 98), 40);
    EXPECT_EQ(Lit(30, 40, 40, 110), 0);
    EXPECT_EQ(runtime->penX, 27.6);
}

TEST_F(ToolkitGraphics, FontsAreCachedPerFaceWithoutCaseAndTextAdvancesThePen)
{
    runtime->RegisterString(10024, "Arial");
    runtime->RegisterString(10040, "ARIAL");
    runtime->RegisterString(10022, "Courier New");
    runtime->RegisterString(10030, "Pull Up");

    runtime->SetFont(1, 10024, 14, 1);
    ASSERT_NE(context->getFont(), nullptr);
    EXPECT_EQ(context->getFont()->getSize(), 11.0);
    EXPECT_EQ(context->getFont()->getStyle(), 1);
    EXPECT_EQ(GfxGetFontSize(&plugin), 11);
    runtime->SetFont(1, 10040, 14, 1);
    EXPECT_EQ(fontCache.Count(), 1u);
    runtime->SetFont(0, 10022, 13, 0);
    EXPECT_EQ(fontCache.Count(), 2u);
    EXPECT_EQ(runtime->textHeight, 12.999999999999998);

    runtime->SetFont(1, 10024, 14, 1);
    runtime->colorR = runtime->colorG = runtime->colorB = 0.6;
    runtime->colorA = 1.0;
    double w = 0, h = 0;
    runtime->MeasureStr(10030, w, h);
    EXPECT_GT(w, 30.0); // with Wine's replacement for "Arial"
    EXPECT_LT(w, 80.0);
    EXPECT_EQ(h, 14);
    runtime->penX = 20;
    runtime->penY = 40;
    runtime->DrawStr(10030);
    EXPECT_DOUBLE_EQ(runtime->penX, 20 + w);
    EXPECT_EQ(runtime->penY, 40);
    // The text is inside its box (top at the pen, textHeight + 2 tall) and nowhere else.
    EXPECT_GT(Lit(20, 40, 20 + static_cast<int>(w) + 1, 56), 20);
    EXPECT_EQ(Lit(0, 0, 200, 39), 0);
    EXPECT_EQ(Lit(0, 57, 200, 120), 0);

    // An unknown face still counts as selected (no "verdana" retry): it gets its own entry.
    runtime->RegisterString(10070, "Nowhere Sans QUAR2");
    runtime->SetFont(2, 10070, 14, 0);
    EXPECT_EQ(fontCache.Count(), 3u);
}

TEST_F(ToolkitGraphics, ImagesComeFromResourcesThenFilesAndAMissingOneLogsOnce)
{
    const std::string tag = GfxUniqueTag("gfx_images");
    const std::string folder = LibraryFolder() + tag;
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const std::string knobFile = folder + "\\knob.png";
    {
        std::ofstream out(knobFile, std::ios::binary);
        out << ResourceBytes(1);
    }
    runtime->RegisterFileName(0, tag + "\\no-such-bg.png");  // the resource wins
    runtime->RegisterFileName(5, "\\" + tag + "\\knob.png"); // no resource 5: the file
    runtime->RegisterFileName(6, tag + "\\missing.png");     // neither

    ImageSlot& bg = runtime->GetImage(0);
    EXPECT_EQ(bg.width, kEditorWidth);
    EXPECT_EQ(bg.height, kEditorHeight);
    EXPECT_EQ(CountLogLines(tag), 0);

    ImageSlot& knob = runtime->GetImage(5);
    EXPECT_EQ(knob.width, 32);
    EXPECT_EQ(knob.height, 15);
    ASSERT_NE(bg.holder->bitmap, nullptr);
    ASSERT_NE(knob.holder->bitmap, nullptr);

    // Blit draws unscaled at the pen: the knob over black, its transparent right end stays black.
    auto* knobBitmap = static_cast<CBitmap*>(knob.holder->bitmap)->getBitmap();
    runtime->penX = 10;
    runtime->penY = 20;
    runtime->Blit(5);
    EXPECT_EQ(Text(Pixel(10 + 12, 20 + 7)), Text(PixelOf(knobBitmap, 12, 7)));
    EXPECT_EQ(Text(Pixel(10 + 1, 20 + 7)), Text(PixelOf(knobBitmap, 1, 7)));
    EXPECT_EQ(Text(Pixel(10 + 30, 20 + 7)), "0,0,0,255");
    EXPECT_EQ(runtime->penX, 10);

    // The background covers the surface from the pen.
    auto* bgBitmap = static_cast<CBitmap*>(bg.holder->bitmap)->getBitmap();
    runtime->penX = runtime->penY = 0;
    runtime->Blit(0);
    for (int xy : {0, 5, 57, 119})
        EXPECT_EQ(Text(Pixel(xy, xy)), Text(PixelOf(bgBitmap, xy, xy)));

    ImageSlot& missing = runtime->GetImage(6);
    EXPECT_NE(missing.holder, nullptr);
    EXPECT_EQ(missing.width, 0);
    for (int frame = 0; frame < 3; ++frame)
        runtime->Blit(6);
    EXPECT_EQ(CountLogLines("Unable to load: " + DataPath(tag + "\\missing.png")), 1);
    EXPECT_EQ(CountLogLines(tag), 1);

    DeleteFileA(knobFile.c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST_F(ToolkitGraphics, TheErrorBoxIsRedWithYellowTextInTheImagesRectangle)
{
    runtime->RegisterString(10024, "Arial");
    runtime->SetFont(1, 10024, 14, 1);
    ImageSlot& broken = runtime->images[3];
    broken.holder = GfxImageNew();
    broken.width = 60;
    broken.height = 20;
    runtime->penX = 30;
    runtime->penY = 50;
    runtime->Blit(3);
    EXPECT_EQ(Text(Pixel(31, 51)), "255,0,0,255");
    EXPECT_EQ(Text(Pixel(89, 69)), "255,0,0,255");
    EXPECT_EQ(Text(Pixel(90, 69)), "0,0,0,255");
    int yellow = 0;
    for (int y = 50; y < 70; ++y)
        for (int x = 30; x < 90; ++x)
        {
            const CColor c = Pixel(x, y);
            yellow += (c.red > 200 && c.green > 200 && c.blue < 80) ? 1 : 0;
        }
    EXPECT_GT(yellow, 10);
}
