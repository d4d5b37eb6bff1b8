// The text half of CDrawContext over GDI+: measuring and drawing (font selection and text in a
// rectangle are CDrawContextText.cpp's).
#include "gui/CDrawContext.h"

#include "gui/CFontDesc.h"
#include "gui/PixelMath.h"
#include "gui/PlatformFonts.h"
#include "gui/WideText.h"

#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cmath>
#include <cwchar>

double CDrawContext::getStringWidth(const char* string)
{
    if (!string || !font) return -1.0;
    Gdiplus::Font* platformFont = font->getPlatformFont();
    if (!graphics || !platformFont) return -1.0;
    const std::wstring wide = utf8ToWide(string);
    // The same text, font and measuring conditions give the same width: a width measured before
    // (the editor measures the same captions on every frame) is not measured again.
    wchar_t conditions[64];
    swprintf(conditions, 64, L"%d %d %a %a %a", int(graphics->GetTextRenderingHint()),
             int(graphics->GetPageUnit()), double(graphics->GetPageScale()),
             double(graphics->GetDpiX()), double(graphics->GetDpiY()));
    float width = 0.0f;
    if (PlatformFonts::findWidth(platformFont, conditions, wide, width)) return double(width);
    Gdiplus::RectF bounds;
    if (graphics->MeasureString(wide.c_str(), INT(wide.size()), platformFont,
                                Gdiplus::RectF(0, 0, 0, 0), &bounds) == Gdiplus::Ok)
        PlatformFonts::keepWidth(platformFont, conditions, wide, bounds.Width);
    return double(bounds.Width);
}

void CDrawContext::drawString(const char* string, const CPoint& point, bool antialias)
{
    if (!string || !font || !graphics || !fontBrush) return;
    flushLines();
    Gdiplus::Font* platformFont = font->getPlatformFont();
    if (!platformFont) return;
    // Set even when the text's pixels are put back: measuring depends on it.
    graphics->SetTextRenderingHint(antialias ? Gdiplus::TextRenderingHintClearTypeGridFit
                                             : Gdiplus::TextRenderingHintSystemDefault);
    const float fontHeight = platformFont->GetHeight(graphics->GetDpiY());
    const float x = toReal(point.x + offset.x);
    const float y = toReal(point.y + offset.y) + 1.0f - fontHeight;
    const std::wstring wide = utf8ToWide(string);
    auto draw = [&](Gdiplus::Graphics& g)
    {
        g.DrawString(wide.c_str(), INT(wide.size()), platformFont, Gdiplus::RectF(x, y, 0, 0),
                     nullptr, fontBrush);
    };
    if (!paintLog)
    {
        draw(*graphics);
        return;
    }
    PaintDescription op;
    op << 'T' << font->getSize() << font->getStyle() << fontColor.toARGB() << antialias << x << y
       << fontHeight;
    op.text(font->getName() ? font->getName() : "").text(string);
    // The text's ink lies within its measured width and one line, however the face is drawn:
    // half a line more on each side is room for overhangs and smoothing. A text that still
    // reaches the rim is drawn every time (see drawRepeatable).
    const double width = std::max(0.0, getStringWidth(string));
    const double h = std::fabs(double(fontHeight));
    const PaintBox reach =
        reachAround(x - 0.5 * h, y - 0.5 * h, x + width + 0.5 * h, y + 1.5 * h, 0.0);
    drawRepeatable(reach, {}, op.bytes, draw, Keep::checked);
}
