// Text placed in a rectangle, the same on every platform: aligned by the measured width,
// centred by the font size and clipped to the rectangle, drawn by the platform's drawString.
#include "gui/CDrawContext.h"

#include "gui/CFontDesc.h"

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
