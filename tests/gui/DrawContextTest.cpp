// Shapes, state and clip of a drawing context, checked on the pixels of an off-screen surface.
#include "GuiTestSupport.h"

#include "gui/CFontDesc.h"

#include <cmath>
#include <vector>

namespace
{
class DrawContextTest : public ToolkitTest
{
  protected:
    void SetUp() override
    {
        ToolkitTest::SetUp();
        context = new COffscreenContext(nullptr, 40, 40, kBlackCColor);
        ClearToBlack(context);
    }
    void TearDown() override
    {
        context->forget();
        ToolkitTest::TearDown();
    }
    CColor at(int x, int y) { return PixelOf(context, x, y); }

    COffscreenContext* context = nullptr;
};
} // namespace

TEST_F(DrawContextTest, NewContextState)
{
    EXPECT_EQ(context->getFrameColor(), kWhiteCColor);
    EXPECT_EQ(context->getFillColor(), kBlackCColor);
    EXPECT_EQ(context->getFontColor(), kWhiteCColor);
    EXPECT_EQ(context->getFont(), kSystemFont);
    EXPECT_STREQ(context->getFont()->getName(), "Arial");
    EXPECT_EQ(context->getFont()->getSize(), 12);
    EXPECT_EQ(context->getLineWidth(), 1.0);
    EXPECT_EQ(context->getLineStyle(), kLineSolid);
    EXPECT_EQ(context->getDrawMode(), kCopyMode);
    EXPECT_EQ(context->getClipRect(), CRect(0, 0, 40, 40));
    EXPECT_EQ(context->getPoint(CPoint(1, 1)), kBlackCColor);

    // A window context without a window has no graphics: drawing is ignored, state recorded.
    CDrawContext* bare = new CDrawContext(nullptr, nullptr, nullptr);
    EXPECT_EQ(bare->getGraphics(), nullptr);
    EXPECT_EQ(bare->getClipRect(), CRect(0, 0, 1000, 1000));
    bare->setFrameColor(kRed);
    bare->drawRect(CRect(0, 0, 10, 10), kDrawFilledAndStroked);
    EXPECT_EQ(bare->getFrameColor(), kRed);
    EXPECT_EQ(bare->getStringWidth("x"), -1);
    bare->forget();
}

TEST_F(DrawContextTest, LinesUseIntegerEndsAndTheOffset)
{
    context->setFrameColor(kRed);
    context->moveTo(CPoint(2.9, 5.7)); // truncated to 2, 5
    context->lineTo(CPoint(12, 5));
    EXPECT_EQ(context->getPenLocation(), CPoint(12, 5));
    EXPECT_EQ(at(2, 5), kRed);
    EXPECT_EQ(at(8, 5), kRed);
    EXPECT_EQ(at(8, 4), kBlackCColor);
    EXPECT_EQ(at(8, 6), kBlackCColor);
    EXPECT_EQ(at(1, 5), kBlackCColor);

    context->setOffset(CPoint(10, 20));
    const CPoint lines[4] = {CPoint(0, 0), CPoint(0, 10), CPoint(5, 0), CPoint(5, 10)};
    context->setFrameColor(kGreen);
    context->drawLines(lines, 2);
    EXPECT_EQ(at(10, 25), kGreen);
    EXPECT_EQ(at(15, 25), kGreen);
    EXPECT_EQ(at(12, 25), kBlackCColor);
    EXPECT_EQ(context->getPenLocation(), CPoint(15, 30)); // offset included
}

TEST_F(DrawContextTest, RectanglesFilledStrokedAndNormalised)
{
    context->setFillColor(kGreen);
    context->drawRect(CRect(10, 10, 20, 20), kDrawFilled);
    EXPECT_EQ(at(10, 10), kGreen);
    EXPECT_EQ(at(19, 19), kGreen);
    EXPECT_EQ(at(20, 15), kBlackCColor);
    EXPECT_EQ(at(15, 20), kBlackCColor);
    EXPECT_EQ(at(9, 15), kBlackCColor);

    // The outline is one pixel smaller: its right and bottom edges cover pixels 19, not 20.
    ClearToBlack(context);
    context->setFrameColor(kBlue);
    context->drawRect(CRect(10, 10, 20, 20), kDrawStroked);
    EXPECT_EQ(at(10, 15), kBlue);
    EXPECT_EQ(at(19, 15), kBlue);
    EXPECT_EQ(at(15, 10), kBlue);
    EXPECT_EQ(at(15, 19), kBlue);
    EXPECT_EQ(at(20, 15), kBlackCColor);
    EXPECT_EQ(at(15, 20), kBlackCColor);
    EXPECT_EQ(at(15, 15), kBlackCColor); // not filled

    // Reversed corners draw the same rectangle.
    std::vector<CColor> forward, reversed;
    for (int i = 0; i < 40; ++i)
        forward.push_back(at(i, 15)), forward.push_back(at(15, i));
    ClearToBlack(context);
    context->drawRect(CRect(20, 20, 10, 10), kDrawStroked);
    for (int i = 0; i < 40; ++i)
        reversed.push_back(at(i, 15)), reversed.push_back(at(15, i));
    EXPECT_EQ(forward, reversed);

    // Both: filled, then outlined on top.
    ClearToBlack(context);
    context->drawRect(CRect(30, 30, 0, 0), kDrawFilledAndStroked);
    EXPECT_EQ(at(0, 5), kBlue);
    EXPECT_EQ(at(15, 15), kGreen);
}

TEST_F(DrawContextTest, SmoothingFollowsTheDrawMode)
{
    // Wine's GDI+ draws every shape aliased, so the smoothing is checked on the graphics
    // itself; the aliased pixels are checked as well.
    Gdiplus::Graphics* graphics = context->getGraphics();
    ASSERT_NE(graphics, nullptr);
    // An off-screen surface keeps GDI+'s default smoothing (which does not smooth).
    EXPECT_EQ(graphics->GetSmoothingMode(), Gdiplus::SmoothingModeDefault);
    context->setDrawMode(kAntialias);
    EXPECT_EQ(context->getDrawMode(), kAntialias);
    EXPECT_EQ(graphics->GetSmoothingMode(), Gdiplus::SmoothingModeAntiAlias);
    context->setDrawMode(7); // any other mode is aliased
    EXPECT_EQ(graphics->GetSmoothingMode(), Gdiplus::SmoothingModeNone);

    // An unchanged mode is not applied again: a smoothing set behind the context's back stays.
    graphics->SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
    context->setDrawMode(7);
    EXPECT_EQ(graphics->GetSmoothingMode(), Gdiplus::SmoothingModeHighQuality);
    context->setDrawMode(kCopyMode);
    EXPECT_EQ(graphics->GetSmoothingMode(), Gdiplus::SmoothingModeNone);

    int partial = 0;
    context->moveTo(CPoint(0, 0));
    context->lineTo(CPoint(39, 13)); // a shallow diagonal
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            if (at(x, y).red != 0 && at(x, y).red != 255) ++partial;
    EXPECT_EQ(partial, 0);
    EXPECT_EQ(at(0, 0), kWhiteCColor);
    EXPECT_EQ(at(39, 13), kWhiteCColor);
}

TEST_F(DrawContextTest, ClipWithOffsetAndRestore)
{
    const CRect whole = context->getClipRect();
    context->setClipRect(CRect(0, 0, 15, 15));
    context->setFillColor(kRed);
    context->drawRect(CRect(0, 0, 40, 40), kDrawFilled);
    EXPECT_EQ(at(14, 14), kRed);
    EXPECT_EQ(at(15, 14), kBlackCColor);
    EXPECT_EQ(at(14, 15), kBlackCColor);

    // The clip is given and answered without the offset, and applied with it.
    context->setOffset(CPoint(20, 20));
    context->setClipRect(CRect(0, 0, 10, 10));
    EXPECT_EQ(context->getClipRect(), CRect(0, 0, 10, 10));
    context->setFillColor(kGreen);
    context->drawRect(CRect(-20, -20, 20, 20), kDrawFilled);
    EXPECT_EQ(at(20, 20), kGreen);
    EXPECT_EQ(at(29, 29), kGreen);
    EXPECT_EQ(at(30, 30), kBlackCColor);
    EXPECT_EQ(at(19, 19), kBlackCColor);
    context->setOffset(CPoint(0, 0));
    EXPECT_EQ(context->getClipRect(), CRect(20, 20, 30, 30));

    // Restoring the remembered clip opens the whole surface again.
    context->setClipRect(whole);
    context->setFillColor(kBlue);
    context->drawRect(CRect(0, 0, 40, 40), kDrawFilled);
    EXPECT_EQ(at(39, 39), kBlue);
    EXPECT_EQ(at(0, 0), kBlue);
}

TEST_F(DrawContextTest, EllipsesArcsPolygonsAndPoints)
{
    context->setFillColor(kGreen);
    context->drawEllipse(CRect(30, 30, 10, 10), kDrawFilled);
    EXPECT_EQ(at(20, 20), kGreen);
    EXPECT_EQ(at(10, 10), kBlackCColor);
    EXPECT_EQ(at(30, 20), kBlackCColor); // the ellipse spans w-1 pixels

    // From 350 to 10 degrees the arc sweeps 20 degrees around the right-hand point; from 10 to
    // 350 it sweeps 340 degrees, through the bottom, the left and the top.
    auto drawArc = [this](float from, float to)
    {
        ClearToBlack(context);
        context->setFrameColor(kWhiteCColor);
        context->drawArc(CRect(0, 0, 39, 39), from, to, kDrawStroked);
    };
    auto litNear = [this](int cx, int cy)
    {
        for (int y = cy - 2; y <= cy + 2; ++y)
            for (int x = cx - 2; x <= cx + 2; ++x)
                if (x >= 0 && y >= 0 && x < 40 && y < 40 && at(x, y).red > 128) return true;
        return false;
    };
    drawArc(350, 10);
    EXPECT_TRUE(litNear(38, 19));
    EXPECT_FALSE(litNear(19, 38));
    EXPECT_FALSE(litNear(1, 19));
    drawArc(10, 350);
    EXPECT_FALSE(litNear(38, 19));
    EXPECT_TRUE(litNear(19, 38));
    EXPECT_TRUE(litNear(1, 19));

    // More points than the local buffer holds.
    ClearToBlack(context);
    std::vector<CPoint> star;
    for (int i = 0; i < 40; ++i)
        star.push_back(i % 2 ? CPoint(20, 20) : CPoint(i, i % 4 ? 39 : 0));
    const CPoint square[4] = {CPoint(5, 5), CPoint(35, 5), CPoint(35, 35), CPoint(5, 35)};
    context->setFillColor(kRed);
    context->drawPolygon(square, 4, kDrawFilled);
    EXPECT_EQ(at(20, 20), kRed);
    EXPECT_EQ(at(2, 2), kBlackCColor);
    context->setFrameColor(kBlue);
    context->drawPolygon(star.data(), int32_t(star.size()), kDrawStroked, false);
    EXPECT_EQ(at(20, 20), kBlue);

    // A point leaves the pen as it was.
    context->setLineWidth(3);
    context->setFrameColor(kRed);
    context->drawPoint(CPoint(1, 1), kGreen);
    EXPECT_EQ(at(1, 1), kGreen);
    EXPECT_EQ(at(1, 2), kBlackCColor);
    EXPECT_EQ(context->getFrameColor(), kRed);
    EXPECT_EQ(context->getLineWidth(), 3.0);
}

TEST_F(DrawContextTest, AbsurdCoordinatesAreSafe)
{
    const double huge = 1e300, nan = std::nan("");
    context->moveTo(CPoint(nan, -huge));
    context->lineTo(CPoint(huge, nan));
    context->drawRect(CRect(-huge, nan, huge, huge), kDrawFilledAndStroked);
    context->drawEllipse(CRect(nan, nan, huge, -huge), kDrawFilledAndStroked);
    context->drawArc(CRect(-huge, 0, huge, 50000), 0, 90, kDrawFilledAndStroked);
    context->drawEllipse(CRect(0, 0, 50000, 100), kDrawStroked);
    context->setClipRect(CRect(-huge, -huge, huge, nan));
    context->drawPoint(CPoint(huge, huge), kRed);
    context->drawPolygon(nullptr, 5, kDrawFilled);
    context->drawLines(nullptr, 3);
    context->drawString(nullptr, CPoint(0, 0));
    // The context still works afterwards.
    context->setClipRect(CRect(0, 0, 40, 40));
    context->setFillColor(kGreen);
    context->drawRect(CRect(5, 5, 6, 6), kDrawFilled);
    EXPECT_EQ(at(5, 5), kGreen);
}

TEST_F(DrawContextTest, LinesInOnePenLandAsIfDrawnOneByOne)
{
    // The same drawing twice: once as a caller draws it (the context collects the lines and
    // draws them in groups), once with every line put on the surface by itself. Half-opaque
    // lines show how often each pixel was drawn: a curve's joints twice, a line drawn twice
    // twice, crossings twice.
    auto draw = [](COffscreenContext* c, bool oneByOne)
    {
        ClearToBlack(c);
        auto line = [&](double x, double y)
        {
            c->lineTo(CPoint(x, y));
            if (oneByOne) c->flushLines();
        };
        c->setDrawMode(kAntialias);
        c->setFrameColor(CColor{255, 255, 255, 127});
        c->moveTo(CPoint(2, 30));
        for (int i = 0; i < 110; ++i) // a curve of one-pixel steps, as the leveller's graph
        {
            c->moveTo(c->getPenLocation());
            line(3 + i, 30 + 20 * std::sin(i * 0.3) + ((i % 7) == 0 ? 9 : 0));
        }
        c->moveTo(CPoint(10, 5)); // a line drawn twice, and lines crossing the curve
        line(10, 55);
        c->moveTo(CPoint(10, 5));
        line(10, 55);
        c->moveTo(CPoint(0, 0));
        line(119, 59);
        c->setFillColor(kBlue); // drawn over the lines before it
        c->drawRect(CRect(40, 20, 50, 40), kDrawFilled);
        c->setOffset(CPoint(3, 2)); // the offset at the time of each line counts
        c->moveTo(CPoint(40, 10));
        line(60, 45);
        c->setOffset(CPoint(0, 0));
        c->setClipRect(CRect(0, 0, 60, 60)); // the clip at the time of each line counts
        c->moveTo(CPoint(50, 50));
        line(100, 52);
        c->setClipRect(CRect(0, 0, 120, 60));
        c->setFrameColor(CColor{255, 128, 0, 255});
        c->moveTo(CPoint(5, 58));
        line(115, 3);
    };
    COffscreenContext* grouped = new COffscreenContext(nullptr, 120, 60, kBlackCColor);
    COffscreenContext* single = new COffscreenContext(nullptr, 120, 60, kBlackCColor);
    draw(grouped, false);
    draw(single, true);
    int differences = 0, lit = 0, twice = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 120; ++x)
        {
            const CColor p = PixelOf(grouped, x, y);
            differences += p != PixelOf(single, x, y);
            lit += p != kBlackCColor;
            twice += p.red > 160 && p.red < 220 && p.green == p.red; // half-opaque white twice
        }
    EXPECT_EQ(differences, 0);
    EXPECT_GT(lit, 300);
    EXPECT_GT(twice, 20);
    EXPECT_EQ(PixelOf(grouped, 45, 30), kBlue);        // the fill lies above the lines before it
    EXPECT_EQ(PixelOf(grouped, 80, 51), kBlackCColor); // outside the clip of its time
    grouped->forget();
    single->forget();
}
