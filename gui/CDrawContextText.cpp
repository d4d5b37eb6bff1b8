// The text half of CDrawContext that is the same on every platform: font selection, and text
// placed in a rectangle (aligned by the measured width, centred by the font size and clipped to
// the rectangle, drawn by the platform's drawString: CDrawContextTextGdiplus.cpp,
// CDrawContextTextCairo.cpp).
#include "gui/CDrawContext.h"

#include "gui/CFontDesc.h"

void CDrawContext::setFont(CFontDesc* newFont, int32_t size, int32_t style)
{
    if (!newFont) return;
    const bool keepSize = size <= 0 || size == newFont->getSize();
    const bool keepStyle = style == -1 || style == newFont->getStyle();
    // The new font is taken before the old one is released: they may be the same object, whose
    // last reference could be ours.
    CFontDesc* chosen;
    if (keepSize && keepStyle)
    {
        chosen = newFont;
        chosen->remember();
    }
    else
    {
        chosen = new CFontDesc(newFont->getName(), size <= 0 ? newFont->getSize() : double(size),
                               style == -1 ? newFont->getStyle() : style);
    }
    if (font) font->forget();
    font = chosen;
}

void CDrawContext::drawStringInRect(const char* string, const CRect& rect, int32_t align,
                                    bool antialias)
{
    if (!string) return;
    double x = rect.left;
    if (align != kLeftText)
    {
        const double width = getStringWidth(string);
        if (align == kRightText)
            x = rect.right - width;
        else
            x = rect.left + (rect.right - rect.left) * 0.5 - 0.5 * width;
    }
    const CRect previousClip = getClipRect();
    CRect clip = rect;
    clip.bound(previousClip);
    setClipRect(clip);

    const double fontSize = font ? font->getSize() : 0.0;
    const double y = rect.bottom - ((rect.bottom - rect.top) * 0.5 - fontSize * 0.5 + 1.0);
    drawString(string, CPoint(x, y), antialias);
    setClipRect(previousClip);
}

void CDrawContext::drawString(const char* string, const CRect& rect, int16_t, int32_t align)
{
    if (!string) return;
    drawStringInRect(string, rect, align, true);
}
