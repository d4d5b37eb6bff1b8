#include "graphics/DrawContextTarget.h"

#include <cmath>

#include "graphics/FontCache.h"
#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"
#include "gui/CFontDesc.h"

namespace
{

CColor ToColor(GfxColor c)
{
    return CColor{c.red, c.green, c.blue, c.alpha};
}

CRect ToRect(const GfxRect& r)
{
    return CRect(r.left, r.top, r.right, r.bottom);
}

CPoint ToPoint(const GfxPoint& p)
{
    return CPoint(p.x, p.y);
}

} // namespace

void CDrawContextTarget::setDrawMode(int32_t mode)
{
    context.setDrawMode(mode);
}

void CDrawContextTarget::setFontColor(GfxColor color)
{
    context.setFontColor(ToColor(color));
}

void CDrawContextTarget::setFillColor(GfxColor color)
{
    context.setFillColor(ToColor(color));
}

void CDrawContextTarget::setFrameColor(GfxColor color)
{
    context.setFrameColor(ToColor(color));
}

double CDrawContextTarget::getStringWidth(const char* text)
{
    return context.getStringWidth(text);
}

int32_t CDrawContextTarget::getFontSize()
{
    const CFontDesc* font = context.getFont();
    if (font == nullptr) return 0;
    const double size = font->getSize();
    return std::isfinite(size) && std::fabs(size) < 2147483647.0 ? static_cast<int32_t>(size) : 0;
}

void CDrawContextTarget::moveTo(const GfxPoint& point)
{
    context.moveTo(ToPoint(point));
}

void CDrawContextTarget::lineTo(const GfxPoint& point)
{
    context.lineTo(ToPoint(point));
}

void CDrawContextTarget::drawRect(const GfxRect& rect, int32_t style)
{
    context.drawRect(ToRect(rect), style);
}

void CDrawContextTarget::drawEllipse(const GfxRect& rect, int32_t style)
{
    context.drawEllipse(ToRect(rect), style);
}

void CDrawContextTarget::drawArc(const GfxRect& rect, float startAngle, float endAngle,
                                 int32_t style)
{
    context.drawArc(ToRect(rect), startAngle, endAngle, style);
}

void CDrawContextTarget::drawString(const char* text, const GfxRect& rect, bool opaque,
                                    int32_t align)
{
    context.drawString(text, ToRect(rect), static_cast<int16_t>(opaque ? 1 : 0), align);
}

void CDrawContextTarget::drawStringInRect(const char* text, const GfxRect& rect, int32_t align,
                                          bool antialias)
{
    context.drawStringInRect(text, ToRect(rect), align, antialias);
}

void CDrawContextTarget::drawStringAt(const char* text, const GfxPoint& point, bool antialias)
{
    context.drawString(text, ToPoint(point), antialias);
}

void CDrawContextTarget::drawPoint(const GfxPoint& point, GfxColor color)
{
    context.drawPoint(ToPoint(point), ToColor(color));
}

GfxColor CDrawContextTarget::getPoint(const GfxPoint& point)
{
    const CColor c = context.getPoint(ToPoint(point));
    return GfxColor{c.red, c.green, c.blue, c.alpha};
}

bool CDrawContextTarget::setFont(const char* face, int32_t size, int32_t flags)
{
    if (face == nullptr) return false;
    if (fontCache != nullptr)
    {
        CFontDesc* desc = fontCache->Find(face);
        if (desc == nullptr) return false;
        context.setFont(desc, size, flags);
        return true;
    }
    // No cache to keep it in: the context takes its own reference (or its own sized copy).
    CFontDesc* desc = new CFontDesc(face, 0.0, 0);
    context.setFont(desc, size, flags);
    desc->forget();
    return true;
}

bool CDrawContextTarget::drawBitmap(void* bitmap, const GfxRect& destination,
                                    const GfxPoint& source, int32_t alpha)
{
    if (bitmap == nullptr) return false;
    auto* image = static_cast<CBitmap*>(bitmap);
    if (alpha >= 255)
        image->draw(&context, ToRect(destination), ToPoint(source));
    else
        image->drawAlphaBlend(&context, ToRect(destination), ToPoint(source),
                              static_cast<uint8_t>(alpha < 0 ? 0 : alpha));
    return true;
}
