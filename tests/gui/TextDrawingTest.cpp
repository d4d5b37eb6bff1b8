// Fonts and text: style selection, measuring, and where the placement rules put the glyphs.
#include "GuiTestSupport.h"

#include "gui/CFontDesc.h"
#include "gui/PlatformFonts.h"

#include <algorithm>

namespace
{
// The bounding box of the lit (non-black) pixels of a surface; empty when nothing is lit.
CRect litArea(COffscreenContext* context)
{
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
    for (int y = 0; y < int(context->getHeight()); ++y)
        for (int x = 0; x < int(context->getWidth()); ++x)
        {
            const CColor c = PixelOf(context, x, y);
            if (c.red + c.green + c.blue > 96)
            {
                left = std::min(left, x);
                top = std::min(top, y);
                right = std::max(right, x + 1);
                bottom = std::max(bottom, y + 1);
            }
        }
    return right < 0 ? CRect() : CRect(left, top, right, bottom);
}

class TextTest : public ToolkitTest
{
  protected:
    void SetUp() override
    {
        ToolkitTest::SetUp();
        context = new COffscreenContext(nullptr, 200, 60, kBlackCColor);
        ClearToBlack(context);
    }
    void TearDown() override
    {
        context->forget();
        ToolkitTest::TearDown();
    }
    COffscreenContext* context = nullptr;
};
} // namespace

TEST_F(TextTest, FontSelectionRule)
{
    CFontDesc* base = new CFontDesc("Arial", 11, kBoldFace);
    // Same size and style (or "keep"): the context holds the description itself.
    context->setFont(base, 0, -1);
    EXPECT_EQ(context->getFont(), base);
    EXPECT_EQ(base->getNbReference(), 2);
    context->setFont(base, 11, kBoldFace);
    EXPECT_EQ(context->getFont(), base);
    // Selecting the held font again must not release it on the way (its last other holder
    // lets go first).
    base->forget();
    context->setFont(context->getFont(), 0, -1);
    EXPECT_EQ(context->getFont()->getNbReference(), 1);
    base = context->getFont();

    // A change makes a new description, keeping what was not asked for.
    context->setFont(base, 20, -1);
    CFontDesc* bigger = context->getFont();
    EXPECT_NE(bigger, base);
    EXPECT_STREQ(bigger->getName(), "Arial");
    EXPECT_EQ(bigger->getSize(), 20);
    EXPECT_EQ(bigger->getStyle(), kBoldFace);
    context->setFont(kNormalFont, 0, kItalicFace);
    EXPECT_EQ(context->getFont()->getSize(), 12);
    EXPECT_EQ(context->getFont()->getStyle(), kItalicFace);
    context->setFont(nullptr); // ignored
    EXPECT_EQ(context->getFont()->getStyle(), kItalicFace);
}

TEST_F(TextTest, OneStyleWinsInThePlatformFont)
{
    CFontDesc boldItalic("Arial", 12, kBoldFace | kItalicFace);
    CFontDesc underlinedBold("Arial", 12, kBoldFace | kUnderlineFace | kItalicFace);
    CFontDesc bold("Arial", 12, kBoldFace);
    ASSERT_NE(boldItalic.getPlatformFont(), nullptr) << "run inside the test prefix with the "
                                                        "Arial replacement";
    EXPECT_EQ(boldItalic.getPlatformFont()->GetStyle(), Gdiplus::FontStyleItalic);
    EXPECT_EQ(underlinedBold.getPlatformFont()->GetStyle(), Gdiplus::FontStyleUnderline);
    EXPECT_EQ(bold.getPlatformFont()->GetStyle(), Gdiplus::FontStyleBold);

    // Changing the description drops the platform font; an unknown family has none.
    bold.setStyle(kNormalFace);
    EXPECT_FALSE(bold.hasPlatformFont());
    EXPECT_EQ(bold.getPlatformFont()->GetStyle(), Gdiplus::FontStyleRegular);
    bold.setName("Arial"); // same name: kept
    EXPECT_TRUE(bold.hasPlatformFont());
    CFontDesc missing("No Such Family QX", 12, 0);
    EXPECT_EQ(missing.getPlatformFont(), nullptr);
    EXPECT_TRUE(missing.hasPlatformFont()); // the attempt is remembered
    EXPECT_TRUE(CFontDesc("Arial", 12, 1) == CFontDesc("Arial", 12, 1));
    EXPECT_FALSE(CFontDesc("Arial", 12, 1) == CFontDesc("arial", 12, 1));
}

TEST_F(TextTest, MeasuringStrings)
{
    CFontDesc* font = new CFontDesc("Arial", 11, kBoldFace);
    context->setFont(font);
    font->forget();
    EXPECT_NEAR(context->getStringWidth("Push Down"), 64.67, 0.5);
    EXPECT_EQ(context->getStringWidth(""), 0);
    EXPECT_EQ(context->getStringWidth(nullptr), -1);
    const double narrow = context->getStringWidth("ii");
    EXPECT_GT(context->getStringWidth("WW"), narrow);
    // UTF-8 is honoured: two bytes, one glyph.
    EXPECT_NEAR(context->getStringWidth("\xC3\xA9"), context->getStringWidth("e"), 1.0);

    CFontDesc* missing = new CFontDesc("No Such Family QX", 11, 0);
    context->setFont(missing);
    missing->forget();
    EXPECT_EQ(context->getStringWidth("Push Down"), -1);
    context->drawString("Push Down", CPoint(10, 40));
    EXPECT_TRUE(litArea(context).isEmpty());
}

TEST_F(TextTest, PointNamesTheBottomLine)
{
    CFontDesc* font = new CFontDesc("Arial", 20, kNormalFace);
    context->setFont(font);
    font->forget();
    const float lineHeight = font->getPlatformFont()->GetHeight(96.0f);
    context->drawString("H", CPoint(10, 40), false);
    const CRect glyph = litArea(context);
    ASSERT_FALSE(glyph.isEmpty());
    // The line box runs from 40 + 1 - height to 40; a capital sits above the descent.
    EXPECT_GE(glyph.top, 40 + 1 - lineHeight);
    EXPECT_LE(glyph.bottom, 41);
    EXPECT_GE(glyph.bottom, 40 - 0.3 * lineHeight);
    EXPECT_GE(glyph.left, 10);
    EXPECT_LE(glyph.left, 14);

    // The offset moves the text like every other drawing.
    ClearToBlack(context);
    context->setOffset(CPoint(50, 10));
    context->drawString("H", CPoint(10, 40), false);
    const CRect moved = litArea(context);
    EXPECT_EQ(moved.left, glyph.left + 50);
    EXPECT_EQ(moved.top, glyph.top + 10);
}

TEST_F(TextTest, TextInRectangles)
{
    CFontDesc* font = new CFontDesc("Arial", 14, kNormalFace);
    context->setFont(font);
    font->forget();
    context->setFontColor(kWhiteCColor);
    const char* text = "Level";
    const double width = context->getStringWidth(text);
    ASSERT_GT(width, 20);

    const CRect box(20, 10, 180, 50);
    const CRect clipBefore = context->getClipRect();
    context->drawStringInRect(text, box, kRightText, false);
    const CRect right = litArea(context);
    EXPECT_EQ(context->getClipRect(), clipBefore);
    ASSERT_FALSE(right.isEmpty());
    EXPECT_LE(right.right, 180);
    EXPECT_GE(right.right, 180 - 4);
    EXPECT_GE(right.left, 180 - width - 1);
    // Vertically the line box is centred: bottom line at bottom - (h/2 - size/2 + 1).
    const double bottomLine = 50 - (40 * 0.5 - 14 * 0.5 + 1);
    EXPECT_LE(right.bottom, bottomLine + 1);

    ClearToBlack(context);
    context->drawStringInRect(text, box, kLeftText, false);
    const CRect left = litArea(context);
    EXPECT_GE(left.left, 20);
    EXPECT_LE(left.left, 23);

    ClearToBlack(context);
    context->drawString(text, box, 1, kCenterText); // opaque flag ignored
    const CRect centre = litArea(context);
    EXPECT_NEAR((centre.left + centre.right) / 2, 100, 3);

    // Text wider than its rectangle is cut at the rectangle's edges.
    ClearToBlack(context);
    context->drawStringInRect("Levelling everything", CRect(30, 10, 60, 50), kLeftText, false);
    const CRect cut = litArea(context);
    EXPECT_GE(cut.left, 30);
    EXPECT_LE(cut.right, 60);
    EXPECT_EQ(context->getClipRect(), clipBefore);
}

TEST_F(TextTest, FontsAndWidthsAreKeptForTheSession)
{
    // Descriptions of one family, size and style share one GDI+ font; another size is another
    // font. The editor makes a new description per font selection, frame after frame.
    CFontDesc a("Arial", 11, kBoldFace);
    CFontDesc b("Arial", 11, kBoldFace);
    CFontDesc c("Arial", 12, kBoldFace);
    ASSERT_NE(a.getPlatformFont(), nullptr) << "run inside the test prefix";
    EXPECT_EQ(a.getPlatformFont(), b.getPlatformFont());
    EXPECT_NE(a.getPlatformFont(), c.getPlatformFont());
    const size_t kept = PlatformFonts::count();
    a.setSize(12); // now the same as c
    EXPECT_EQ(a.getPlatformFont(), c.getPlatformFont());
    EXPECT_EQ(PlatformFonts::count(), kept);
    b.discardPlatformFont(); // letting go does not delete a kept font
    EXPECT_EQ(c.getPlatformFont()->GetSize(), 12.0f);

    // A width measured again comes from the table and equals what GDI+ measures afresh.
    CFontDesc* font = new CFontDesc("Arial", 11, kBoldFace);
    context->setFont(font);
    font->forget();
    const double first = context->getStringWidth("Dyn.Range Reduction:");
    EXPECT_EQ(context->getStringWidth("Dyn.Range Reduction:"), first);
    Gdiplus::FontFamily family(L"Arial");
    Gdiplus::Font fresh(&family, 11.0f, Gdiplus::FontStyleBold, Gdiplus::UnitPixel);
    Gdiplus::RectF bounds;
    context->getGraphics()->MeasureString(L"Dyn.Range Reduction:", -1, &fresh,
                                          Gdiplus::RectF(0, 0, 0, 0), &bounds);
    EXPECT_EQ(first, double(bounds.Width));
    EXPECT_GT(context->getStringWidth("Dyn.Range Reduction: "), first); // another text
}

TEST(PlatformFontsSession, EmptiedWhenGdiplusStops)
{
    hInstance = GetModuleHandleW(nullptr);
    ASSERT_FALSE(DrawingSession::isRunning()) << "an earlier test left GDI+ running";
    DrawingSession::enter();
    CFontDesc font("Arial", 13, 0);
    ASSERT_NE(font.getPlatformFont(), nullptr);
    EXPECT_GT(PlatformFonts::count(), 0u);
    DrawingSession::exit(); // the last user: GDI+ shuts down, the description lets go first
    EXPECT_FALSE(font.hasPlatformFont());
    EXPECT_EQ(PlatformFonts::count(), 0u);
}
