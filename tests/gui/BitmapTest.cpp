// Bitmaps: decoding "DATA" resources, copies, empty bitmaps, opaque and alpha-blended drawing,
// and GDI+ start-up counting.
#include "GuiTestSupport.h"

#include "gui/CFontDesc.h"
#include "gui/CFrame.h"

namespace
{
// The test image (tests/gui/make_test_png.py), 4 x 2.
const CColor kPattern[2][4] = {
    {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 255, 128}},
    {{0, 0, 0, 255}, {255, 255, 255, 255}, {0, 0, 0, 0}, {10, 20, 30, 255}},
};

void expectPattern(CBitmap* bitmap)
{
    ASSERT_EQ(bitmap->getWidth(), 4);
    ASSERT_EQ(bitmap->getHeight(), 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(PixelOf(bitmap->getBitmap(), x, y), kPattern[y][x]) << x << "," << y;
}

using BitmapTest = ToolkitTest;
} // namespace

TEST_F(BitmapTest, LoadsDataResourcesByNumberAndName)
{
    CBitmap* byNumber = new CBitmap(CResourceDescription(7));
    expectPattern(byNumber);
    EXPECT_EQ(byNumber->getResourceDescription().type, CResourceDescription::kIntegerType);
    CBitmap* byName = new CBitmap(CResourceDescription("PATTERN"));
    expectPattern(byName);

    // Missing resources leave an empty bitmap, and the load still answers true.
    CBitmap* missing = new CBitmap(CResourceDescription(99));
    EXPECT_EQ(missing->getWidth(), 0);
    EXPECT_EQ(missing->getHeight(), 0);
    EXPECT_TRUE(missing->loadFromResource(CResourceDescription("NOT_THERE")));
    EXPECT_EQ(missing->getWidth(), 0);
    // ... and reloading an existing one into it works.
    EXPECT_TRUE(missing->loadFromResource(CResourceDescription(7)));
    expectPattern(missing);
    EXPECT_FALSE(missing->loadFromPath(L"pattern.png"));
    EXPECT_EQ(missing->getWidth(), 0);
    EXPECT_EQ(missing->getBitmap(), nullptr);

    byNumber->forget();
    byName->forget();
    missing->forget();
}

TEST_F(BitmapTest, CopiesAndEmptyBitmaps)
{
    CBitmap* source = new CBitmap(CResourceDescription(7));
    CBitmap* copy = new CBitmap(source->getBitmap());
    source->forget(); // the copy owns its own pixels
    expectPattern(copy);
    copy->forget();

    CBitmap* none = new CBitmap(static_cast<Gdiplus::Bitmap*>(nullptr));
    EXPECT_EQ(none->getWidth(), 0);
    none->forget();

    CBitmap* empty = new CBitmap(5.9, 3.2);
    EXPECT_EQ(empty->getWidth(), 5);
    EXPECT_EQ(empty->getHeight(), 3);
    EXPECT_EQ(PixelOf(empty->getBitmap(), 4, 2).alpha, 0);
    empty->dispose();
    EXPECT_EQ(empty->getWidth(), 0);
    EXPECT_FALSE(empty->getNoAlpha());
    empty->forget();

    CBitmap* negative = new CBitmap(-5, 3);
    EXPECT_EQ(negative->getBitmap(), nullptr);
    negative->forget();

    // A size GDI+ cannot allocate gives no bitmap, and a surface over it draws nothing.
    COffscreenContext* huge = new COffscreenContext(nullptr, 1000000, 1000000, kBlackCColor);
    EXPECT_EQ(huge->getBitmap()->getBitmap(), nullptr);
    EXPECT_EQ(huge->getGraphics(), nullptr);
    huge->drawRect(CRect(0, 0, 10, 10), kDrawFilled);
    huge->forget();
}

TEST_F(BitmapTest, DrawsOpaqueAndBlended)
{
    COffscreenContext* context = new COffscreenContext(nullptr, 20, 20, kBlackCColor);
    ClearToBlack(context);
    CBitmap* bitmap = new CBitmap(CResourceDescription(7));

    bitmap->draw(context, CRect(10, 10, 14, 12));
    EXPECT_EQ(PixelOf(context, 10, 10), kRed);
    EXPECT_EQ(PixelOf(context, 12, 10), kBlue);
    EXPECT_NEAR(PixelOf(context, 13, 10).red, 128, 2); // half-transparent white over black
    EXPECT_EQ(PixelOf(context, 12, 11), kBlackCColor); // transparent pixel
    EXPECT_EQ(PixelOf(context, 13, 11), (CColor{10, 20, 30, 255}));
    EXPECT_EQ(PixelOf(context, 14, 10), kBlackCColor); // unscaled, nothing beyond

    // Only the destination's size is drawn, from the source offset, shifted by the context's
    // offset.
    ClearToBlack(context);
    context->setOffset(CPoint(2, 3));
    bitmap->drawTransparent(context, CRect(0, 0, 2, 1), CPoint(1, 1));
    EXPECT_EQ(PixelOf(context, 2, 3), kWhiteCColor);
    EXPECT_EQ(PixelOf(context, 3, 3), kBlackCColor);
    EXPECT_EQ(PixelOf(context, 4, 3), kBlackCColor);
    context->setOffset(CPoint(0, 0));

    // Alpha multiplies the image's own alpha.
    ClearToBlack(context);
    bitmap->drawAlphaBlend(context, CRect(0, 0, 4, 2), CPoint(0, 0), 128);
    EXPECT_NEAR(PixelOf(context, 0, 0).red, 128, 3);
    EXPECT_EQ(PixelOf(context, 0, 0).green, 0);
    EXPECT_NEAR(PixelOf(context, 1, 1).green, 128, 3);
    EXPECT_NEAR(PixelOf(context, 3, 0).red, 64, 3);
    EXPECT_EQ(PixelOf(context, 2, 1), kBlackCColor);
    bitmap->drawAlphaBlend(context, CRect(0, 0, 0, 0), CPoint(0, 0), 10); // nothing to draw

    bitmap->forget();
    context->forget();
}

TEST_F(BitmapTest, GdiplusStartsOnceForNestedUsers)
{
    ASSERT_FALSE(DrawingSession::isRunning());
    const int32_t startups = DrawingSession::getStartupCount();

    CFrame* frame = new CFrame(CRect(0, 0, 10, 10), nullptr, nullptr);
    EXPECT_TRUE(DrawingSession::isRunning());
    CBitmap* bitmap = new CBitmap(2, 2);
    EXPECT_EQ(DrawingSession::getStartupCount(), startups + 1);
    frame->forget();
    EXPECT_TRUE(DrawingSession::isRunning()); // the bitmap still uses it
    bitmap->forget();
    EXPECT_FALSE(DrawingSession::isRunning());

    // Two frames in turn: two start-ups and two shutdowns.
    frame = new CFrame(CRect(0, 0, 10, 10), nullptr, nullptr);
    frame->forget();
    frame = new CFrame(CRect(0, 0, 10, 10), nullptr, nullptr);
    EXPECT_EQ(DrawingSession::getStartupCount(), startups + 3);
    frame->forget();
    EXPECT_FALSE(DrawingSession::isRunning());

    // A font made in one session is dropped when GDI+ stops, and made again in the next.
    CBitmap* keepAlive = new CBitmap(1, 1);
    CFontDesc font("Arial", 12, 0);
    Gdiplus::Font* first = font.getPlatformFont();
    EXPECT_NE(first, nullptr);
    keepAlive->forget();
    EXPECT_FALSE(font.hasPlatformFont());
    EXPECT_EQ(font.getPlatformFont(), nullptr); // GDI+ is not running: nothing is made
    keepAlive = new CBitmap(1, 1);
    EXPECT_NE(font.getPlatformFont(), nullptr);
    keepAlive->forget();

    DrawingSession::exit(); // unbalanced: ignored
    EXPECT_FALSE(DrawingSession::isRunning());
}
