// Image slots (load once, log once), Blit with its error box, the image bridge's holder rules,
// and SetFont's heights, records and "verdana" retry.
#include <gtest/gtest.h>

#include "GfxRecordingTarget.h"
#include "graphics/FontCache.h"
#ifndef _WIN32
#include "gui/CFontDesc.h"
#endif
#include "graphics/GfxImageBridge.h"
#include "runtime/Xlat.h"

namespace
{

struct Images : GfxDrawingTest
{
};

int releases = 0;
void CountRelease(void*)
{
    ++releases;
}

// A stand-in bitmap: the holder only passes the pointer on.
int fakeBitmap = 0;

} // namespace

TEST_F(Images, AMissingRegisteredImageIsTriedOnceAndLoggedOnce)
{
    // Neither a resource 7 nor this file exists (natively nothing decodes at all).
    const std::string name = "quar2_gfx\\" + GfxUniqueTag("gfx_missing") + ".png";
    runtime.RegisterFileName(7, name);
    const std::string path = DataPath(name);
    const std::string line = "Unable to load: " + path;

    ImageSlot& slot = runtime.GetImage(7);
    ASSERT_NE(slot.holder, nullptr); // attempted
    EXPECT_EQ(slot.holder->bitmap, nullptr);
    EXPECT_EQ(slot.width, 0);
    EXPECT_EQ(slot.height, 0);
    EXPECT_EQ(CountLogLines(line), 1);

    // Every later use finds the attempted slot: no new load, no new log line.
    GfxImageHolder* const first = slot.holder;
    for (int frame = 0; frame < 5; ++frame)
    {
        runtime.penX = 40;
        runtime.penY = 50;
        runtime.Blit(7);
    }
    EXPECT_EQ(&runtime.GetImage(6.99995), &slot); // the integer rule picks slot 7
    EXPECT_EQ(slot.holder, first);
    EXPECT_EQ(CountLogLines(line), 1);

    // The failed image's error box has size 0 x 0 at the pen; the pen does not move.
    const auto boxes = target.Named("drawRect");
    ASSERT_EQ(boxes.size(), 5u);
    EXPECT_EQ(boxes[0].rect, (GfxRect{40, 50, 40, 50}));
    EXPECT_EQ(runtime.penX, 40);
    EXPECT_EQ(runtime.penY, 50);
}

TEST_F(Images, AnUnregisteredImageNumberIsNeverLoaded)
{
    runtime.RegisterFileName(0, "quar2_gfx\\bg.png");
    ImageSlot& slot = runtime.GetImage(3);
    EXPECT_EQ(slot.holder, nullptr);
    EXPECT_EQ(runtime.images.count(3), 1u);
    // With no file names at all, not even a registered number loads.
    TXlat empty;
    EXPECT_EQ(empty.GetImage(0).holder, nullptr);
}

TEST_F(Images, BlitDrawsTheImageAtThePenOrTheErrorBoxWithoutTouchingScriptColours)
{
    // A loaded image: a holder with a bitmap and the slot's size.
    ImageSlot& knob = runtime.images[1];
    knob.holder = GfxImageNew();
    knob.holder->bitmap = &fakeBitmap;
    knob.width = 32;
    knob.height = 15;
    runtime.penX = 116.5;
    runtime.penY = 51;
    runtime.Blit(1);
    ASSERT_EQ(target.calls.size(), 1u); // no colour, no draw mode
    EXPECT_EQ(target.calls[0].op, "drawBitmap");
    EXPECT_EQ(target.calls[0].bitmap, &fakeBitmap);
    EXPECT_EQ(target.calls[0].rect, (GfxRect{116.5, 51, 148.5, 66}));
    EXPECT_EQ(target.calls[0].point, (GfxPoint{0, 0}));
    EXPECT_EQ(target.calls[0].value, 255);
    EXPECT_EQ(runtime.penX, 116.5);
    knob.holder->bitmap = nullptr; // not ours to release

    // A slot with a size but nothing to draw: the red box with yellow "ERROR" centred in it.
    ImageSlot& broken = runtime.images[2];
    broken.holder = GfxImageNew();
    broken.width = 40;
    broken.height = 20;
    runtime.colorR = 0.25;
    runtime.colorA = 0.75;
    runtime.penX = 10;
    runtime.penY = 30;
    target.calls.clear();
    runtime.Blit(2);
    ASSERT_EQ(target.calls.size(), 4u);
    EXPECT_EQ(target.calls[0].op, "setFillColor");
    EXPECT_EQ(target.calls[0].color, (GfxColor{255, 0, 0, 255}));
    EXPECT_EQ(target.calls[1].op, "drawRect");
    EXPECT_EQ(target.calls[1].rect, (GfxRect{10, 30, 50, 50}));
    EXPECT_EQ(target.calls[1].value, 1);
    EXPECT_EQ(target.calls[2].op, "setFontColor");
    EXPECT_EQ(target.calls[2].color, (GfxColor{255, 255, 0, 255}));
    EXPECT_EQ(target.calls[3].op, "drawString");
    EXPECT_EQ(target.calls[3].text, "ERROR");
    EXPECT_EQ(target.calls[3].rect, (GfxRect{10, 30, 50, 50}));
    EXPECT_EQ(target.calls[3].value, 1); // centred
    EXPECT_EQ(runtime.colorR, 0.25);
    EXPECT_EQ(runtime.colorA, 0.75);

    // Outside a draw both the image and the box fail silently.
    plugin.drawing = false;
    target.calls.clear();
    runtime.Blit(2);
    runtime.Blit(1);
    EXPECT_TRUE(target.calls.empty());
}

TEST(ImageBridge, HoldersDropTheirBitmapOnEveryLoadAndOnFree)
{
    releases = 0;
    EXPECT_FALSE(GfxImageFree(nullptr));
    EXPECT_FALSE(GfxImageLoadResource(nullptr, 0));
    EXPECT_FALSE(GfxImageLoadFile(nullptr, "x.png"));
    EXPECT_EQ(GfxImageWidth(nullptr), 0);
    EXPECT_EQ(GfxImageHeight(nullptr), 0);

    GfxImageHolder* holder = GfxImageNew();
    ASSERT_NE(holder, nullptr);
    EXPECT_EQ(GfxImageWidth(holder), 0);
    bool noAlpha = true;
    EXPECT_FALSE(GfxImageGetNoAlpha(holder, noAlpha));
    int32_t r, g, b, a;
    EXPECT_FALSE(GfxImageGetTransparentColor(holder, r, g, b, a));
    EXPECT_FALSE(GfxImageSetNoAlpha(holder, true));

    // A load drops the old bitmap first, whether it then succeeds or not.
    holder->bitmap = &fakeBitmap;
    holder->releaseBitmap = &CountRelease;
    EXPECT_FALSE(GfxImageLoadFile(holder, "/nonexistent/quar2.png"));
    EXPECT_EQ(releases, 1);
    EXPECT_EQ(holder->bitmap, nullptr);
    holder->bitmap = &fakeBitmap;
    holder->releaseBitmap = &CountRelease;
    EXPECT_FALSE(GfxImageLoadResourceName(holder, nullptr));
    EXPECT_EQ(releases, 2);

    holder->bitmap = &fakeBitmap;
    holder->releaseBitmap = &CountRelease;
    RecordingTarget drawn;
    CFakeHost plugin;
    plugin.target = &drawn;
    EXPECT_TRUE(GfxImageDrawAlpha(holder, &plugin, 0, 0, 4, 4, 1, 2, 999));
    EXPECT_EQ(drawn.Named("drawBitmap")[0].value, 255); // limited to a byte
    EXPECT_TRUE(GfxImageDrawTransparent(holder, &plugin, 0, 0, 4, 4, 0, 0));
    EXPECT_FALSE(GfxImageDraw(holder, nullptr, 0, 0, 4, 4, 0, 0));
    plugin.drawing = false;
    EXPECT_FALSE(GfxImageDraw(holder, &plugin, 0, 0, 4, 4, 0, 0));
    EXPECT_TRUE(GfxImageFree(holder));
    EXPECT_EQ(releases, 3);
}

TEST_F(Images, SetFontRecordsTheFontAndSelectsItAtEightyFivePercent)
{
    runtime.RegisterString(10022, "Courier New");
    runtime.RegisterString(10024, "Arial");

    runtime.SetFont(0, 10022, 13, 0);
    EXPECT_EQ(runtime.textHeight, 12.999999999999998);
    EXPECT_EQ(runtime.fontIndex, 0);
    runtime.SetFont(1, 10024, 14, 1);
    EXPECT_EQ(runtime.textHeight, 14.0);
    EXPECT_EQ(runtime.fontIndex, 1);
    runtime.SetFont(1, 10024, 12, 0);
    EXPECT_EQ(runtime.textHeight, 12.0);

    const auto fonts = target.Named("setFont");
    ASSERT_EQ(fonts.size(), 3u);
    EXPECT_EQ(fonts[0].text, "Courier New");
    EXPECT_EQ(fonts[0].value, 11); // 11.05
    EXPECT_EQ(fonts[0].flags, 0);
    EXPECT_EQ(fonts[1].text, "Arial");
    EXPECT_EQ(fonts[1].value, 11); // 11.9: the integer part, not rounded
    EXPECT_EQ(fonts[1].flags, 1);
    EXPECT_EQ(fonts[2].value, 10); // 10.2

    ASSERT_EQ(runtime.fonts.count(1), 1u);
    EXPECT_EQ(runtime.fonts[1].face, "Arial");
    EXPECT_DOUBLE_EQ(runtime.fonts[1].size, 12 * 0.85);
    EXPECT_EQ(runtime.fonts[1].flags, 0);
    EXPECT_EQ(runtime.fonts[0].face, "Courier New");
}

TEST_F(Images, SetFontRetriesWithVerdanaOnceWhenTheSelectionFails)
{
    runtime.RegisterString(10070, "Nowhere Sans");
    target.unknownFaces = {"Nowhere Sans", "verdana"};
    runtime.SetFont(2, 10070, 20, 2);
    const auto fonts = target.Named("setFont");
    ASSERT_EQ(fonts.size(), 2u); // once, even though the retry failed too
    EXPECT_EQ(fonts[1].text, "verdana");
    EXPECT_EQ(fonts[1].value, 17);
    EXPECT_EQ(fonts[1].flags, 2);
    // The record keeps the face the script asked for.
    EXPECT_EQ(runtime.fonts[2].face, "Nowhere Sans");

    // Outside a draw: both selections answer false, the state is updated all the same.
    plugin.drawing = false;
    target.calls.clear();
    runtime.SetFont(3, 10070, 14, 1);
    EXPECT_TRUE(target.calls.empty());
    EXPECT_EQ(runtime.fontIndex, 3);
    EXPECT_EQ(runtime.textHeight, 14);
    EXPECT_EQ(runtime.fonts[3].face, "Nowhere Sans");
    // Sizes the conversions cannot hold still give a defined record.
    runtime.SetFont(4, 10070, std::nan(""), 1e300);
    EXPECT_EQ(runtime.fonts[4].flags, INT32_MAX);
}

#ifndef _WIN32
// Both builds draw through the toolkit (cairo here), so the cache holds real descriptions: one
// per face, whatever the case of its name (the Windows drawing is GfxWindowsTest.cpp).
TEST(FontCacheWithToolkit, KeepsOneDescriptionPerFace)
{
    CFontCache cache;
    CFontDesc* arial = cache.Find("Arial");
    ASSERT_NE(arial, nullptr);
    EXPECT_STREQ(arial->getName(), "Arial");
    EXPECT_EQ(cache.Find("ARIAL"), arial);
    EXPECT_EQ(cache.Find(nullptr), nullptr);
    EXPECT_EQ(cache.Count(), 1u);
    cache.Release();
    EXPECT_EQ(cache.Count(), 0u);
}
#endif
