#include "graphics/GfxImageBridge.h"

#include <cmath>

#include "graphics/GfxBitmap.h"
#include "graphics/GfxBridgeTarget.h"

namespace
{

// Drops the holder's bitmap, leaving it empty.
void DropBitmap(GfxImageHolder* holder)
{
    if (holder->bitmap != nullptr && holder->releaseBitmap != nullptr)
        holder->releaseBitmap(holder->bitmap);
    holder->bitmap = nullptr;
    holder->releaseBitmap = nullptr;
}

// Puts a freshly made bitmap into the (empty) holder if it has an area; a bitmap without one
// counts as a failed load, whatever its source reported, and is dropped again.
bool Adopt(GfxImageHolder* holder, void* bitmap)
{
    if (bitmap == nullptr) return false;
    if (!(GfxBitmapWidth(bitmap) > 0.0 && GfxBitmapHeight(bitmap) > 0.0))
    {
        GfxBitmapRelease(bitmap);
        return false;
    }
    holder->bitmap = bitmap;
    holder->releaseBitmap = &GfxBitmapRelease;
    return true;
}

bool DrawHolder(GfxImageHolder* holder, CXlatAdapter* plugin, double left, double top, double right,
                double bottom, double sourceX, double sourceY, int32_t alpha)
{
    if (holder == nullptr || holder->bitmap == nullptr) return false;
    const int32_t opacity = alpha < 0 ? 0 : (alpha > 255 ? 255 : alpha);
    return WithGfxTarget(plugin, false,
                         [&](CGfxTarget& t)
                         {
                             return t.drawBitmap(holder->bitmap, GfxRect{left, top, right, bottom},
                                                 GfxPoint{sourceX, sourceY}, opacity);
                         });
}

double WholePixels(double v)
{
    return std::isfinite(v) ? std::trunc(v) : 0.0;
}

} // namespace

GfxImageHolder* GfxImageNew()
{
    return NewImageHolder();
}

bool GfxImageFree(GfxImageHolder* holder)
{
    return FreeImageHolder(holder);
}

bool GfxImageLoadResource(GfxImageHolder* holder, int32_t number)
{
    if (holder == nullptr) return false;
    DropBitmap(holder);
    return Adopt(holder, GfxBitmapFromResource(number));
}

bool GfxImageLoadResourceName(GfxImageHolder* holder, const char* name)
{
    if (holder == nullptr) return false;
    DropBitmap(holder);
    return name != nullptr && Adopt(holder, GfxBitmapFromResourceName(name));
}

bool GfxImageLoadFile(GfxImageHolder* holder, const char* path)
{
    if (holder == nullptr) return false;
    DropBitmap(holder);
    return path != nullptr && Adopt(holder, GfxBitmapFromFile(path));
}

double GfxImageWidth(const GfxImageHolder* holder)
{
    if (holder == nullptr || holder->bitmap == nullptr) return 0.0;
    return WholePixels(GfxBitmapWidth(holder->bitmap));
}

double GfxImageHeight(const GfxImageHolder* holder)
{
    if (holder == nullptr || holder->bitmap == nullptr) return 0.0;
    return WholePixels(GfxBitmapHeight(holder->bitmap));
}

bool GfxImageDraw(GfxImageHolder* holder, CXlatAdapter* plugin, double left, double top,
                  double right, double bottom, double sourceX, double sourceY)
{
    return DrawHolder(holder, plugin, left, top, right, bottom, sourceX, sourceY, 255);
}

bool GfxImageDrawAlpha(GfxImageHolder* holder, CXlatAdapter* plugin, double left, double top,
                       double right, double bottom, double sourceX, double sourceY, int32_t alpha)
{
    return DrawHolder(holder, plugin, left, top, right, bottom, sourceX, sourceY, alpha);
}

bool GfxImageDrawTransparent(GfxImageHolder* holder, CXlatAdapter* plugin, double left, double top,
                             double right, double bottom, double sourceX, double sourceY)
{
    return DrawHolder(holder, plugin, left, top, right, bottom, sourceX, sourceY, 255);
}

bool GfxImageGetTransparentColor(const GfxImageHolder* holder, int32_t& r, int32_t& g, int32_t& b,
                                 int32_t& a)
{
    r = g = b = a = 0;
    GfxColor c;
    if (holder == nullptr || holder->bitmap == nullptr ||
        !GfxBitmapGetTransparentColor(holder->bitmap, c))
        return false;
    r = c.red;
    g = c.green;
    b = c.blue;
    a = c.alpha;
    return true;
}

bool GfxImageSetTransparentColor(GfxImageHolder* holder, int32_t r, int32_t g, int32_t b, int32_t a)
{
    if (holder == nullptr || holder->bitmap == nullptr) return false;
    return GfxBitmapSetTransparentColor(holder->bitmap, PackGfxColor(r, g, b, a));
}

bool GfxImageGetNoAlpha(const GfxImageHolder* holder, bool& noAlpha)
{
    noAlpha = false;
    if (holder == nullptr || holder->bitmap == nullptr) return false;
    return GfxBitmapGetNoAlpha(holder->bitmap, noAlpha);
}

bool GfxImageSetNoAlpha(GfxImageHolder* holder, bool noAlpha)
{
    if (holder == nullptr || holder->bitmap == nullptr) return false;
    return GfxBitmapSetNoAlpha(holder->bitmap, noAlpha);
}
