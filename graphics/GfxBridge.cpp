#include "graphics/GfxBridge.h"

#include "graphics/GfxBridgeTarget.h"
#include "runtime/XlatAdapter.h"

bool GfxGetSize(CXlatAdapter* plugin, int32_t& width, int32_t& height)
{
    width = height = 0;
    return plugin != nullptr && plugin->getEditorSize(width, height);
}

bool GfxSetDrawMode(CXlatAdapter* plugin, int32_t mode)
{
    return WithGfxTarget(plugin, false,
                         [&](CGfxTarget& t)
                         {
                             t.setDrawMode(mode);
                             return true;
                         });
}

bool GfxSetFontColor(CXlatAdapter* plugin, int32_t r, int32_t g, int32_t b, int32_t a)
{
    return WithGfxTarget(plugin, false,
                         [&](CGfxTarget& t)
                         {
                             t.setFontColor(PackGfxColor(r, g, b, a));
                             return true;
                         });
}

bool GfxSetFillColor(CXlatAdapter* plugin, int32_t r, int32_t g, int32_t b, int32_t a)
{
    return WithGfxTarget(plugin, false,
                         [&](CGfxTarget& t)
                         {
                             t.setFillColor(PackGfxColor(r, g, b, a));
                             return true;
                         });
}

bool GfxSetFrameColor(CXlatAdapter* plugin, int32_t r, int32_t g, int32_t b, int32_t a)
{
    return WithGfxTarget(plugin, false,
                         [&](CGfxTarget& t)
                         {
                             t.setFrameColor(PackGfxColor(r, g, b, a));
                             return true;
                         });
}

double GfxGetStringWidth(CXlatAdapter* plugin, const char* text)
{
    return WithGfxTarget(plugin, 0.0, [&](CGfxTarget& t) { return t.getStringWidth(text); });
}

int32_t GfxGetFontSize(CXlatAdapter* plugin)
{
    return WithGfxTarget(plugin, int32_t{0}, [&](CGfxTarget& t) { return t.getFontSize(); });
}

bool GfxMoveTo(CXlatAdapter* plugin, double x, double y)
{
    return WithGfxTarget(plugin, false,
                         [&](CGfxTarget& t)
                         {
                             t.moveTo(GfxPoint{x, y});
                             return true;
                         });
}

bool GfxLineTo(CXlatAdapter* plugin, double x, double y)
{
    return WithGfxTarget(plugin, false,
                         [&](CGfxTarget& t)
                         {
                             t.lineTo(GfxPoint{x, y});
                             return true;
                         });
}

bool GfxDrawRect(CXlatAdapter* plugin, double left, double top, double right, double bottom,
                 int32_t style)
{
    return WithGfxTarget(plugin, false,
                         [&](CGfxTarget& t)
                         {
                             t.drawRect(GfxRect{left, top, right, bottom}, style);
                             return true;
                         });
}

bool GfxDrawEllipse(CXlatAdapter* plugin, double left, double top, double right, double bottom,
                    int32_t style)
{
    return WithGfxTarget(plugin, false,
                         [&](CGfxTarget& t)
                         {
                             t.drawEllipse(GfxRect{left, top, right, bottom}, style);
                             return true;
                         });
}

bool GfxDrawArc(CXlatAdapter* plugin, double left, double top, double right, double bottom,
                double startAngle, double endAngle, int32_t style)
{
    return WithGfxTarget(plugin, false,
                         [&](CGfxTarget& t)
                         {
                             t.drawArc(GfxRect{left, top, right, bottom},
                                       static_cast<float>(startAngle), static_cast<float>(endAngle),
                                       style);
                             return true;
                         });
}

bool GfxDrawString(CXlatAdapter* plugin, const char* text, double left, double top, double right,
                   double bottom, bool opaque, int32_t align)
{
    return WithGfxTarget(plugin, false,
                         [&](CGfxTarget& t)
                         {
                             t.drawString(text, GfxRect{left, top, right, bottom}, opaque, align);
                             return true;
                         });
}

bool GfxDrawStringAligned(CXlatAdapter* plugin, const char* text, double left, double top,
                          double right, double bottom, int32_t align, bool antialias)
{
    return WithGfxTarget(
        plugin, false,
        [&](CGfxTarget& t)
        {
            t.drawStringInRect(text, GfxRect{left, top, right, bottom}, align, antialias);
            return true;
        });
}

bool GfxDrawStringAt(CXlatAdapter* plugin, const char* text, double x, double y, bool antialias)
{
    return WithGfxTarget(plugin, false,
                         [&](CGfxTarget& t)
                         {
                             t.drawStringAt(text, GfxPoint{x, y}, antialias);
                             return true;
                         });
}

bool GfxDrawPoint(CXlatAdapter* plugin, double x, double y, int32_t r, int32_t g, int32_t b,
                  int32_t a)
{
    return WithGfxTarget(plugin, false,
                         [&](CGfxTarget& t)
                         {
                             t.drawPoint(GfxPoint{x, y}, PackGfxColor(r, g, b, a));
                             return true;
                         });
}

bool GfxGetPoint(CXlatAdapter* plugin, double x, double y, int32_t& r, int32_t& g, int32_t& b,
                 int32_t& a)
{
    r = g = b = a = 0;
    return WithGfxTarget(plugin, false,
                         [&](CGfxTarget& t)
                         {
                             const GfxColor c = t.getPoint(GfxPoint{x, y});
                             r = c.red;
                             g = c.green;
                             b = c.blue;
                             a = c.alpha;
                             return true;
                         });
}

bool GfxSetFont(CXlatAdapter* plugin, const char* face, int32_t size, int32_t flags)
{
    return WithGfxTarget(plugin, false,
                         [&](CGfxTarget& t) { return t.setFont(face, size, flags); });
}
