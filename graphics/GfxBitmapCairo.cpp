// Platform bitmaps with the toolkit on Linux: counted CBitmaps over cairo image surfaces.
#include "graphics/GfxBitmap.h"

#include <cairo.h>

#include "gui/CBitmap.h"
#include "gui/GDIPlusGlobals.h"

namespace
{

CBitmap* AsBitmap(void* bitmap)
{
    return static_cast<CBitmap*>(bitmap);
}

const CBitmap* AsBitmap(const void* bitmap)
{
    return static_cast<const CBitmap*>(bitmap);
}
} // namespace

void* GfxBitmapFromResource(int32_t number)
{
    // Resource numbers are 16-bit; others cannot name a resource.
    if (number < 0 || number > 0xFFFF) return nullptr;
    return new CBitmap(CResourceDescription(static_cast<uint16_t>(number)));
}

void* GfxBitmapFromResourceName(const char* name)
{
    return name != nullptr ? new CBitmap(CResourceDescription(name)) : nullptr;
}

void* GfxBitmapFromFile(const char* path)
{
    if (path == nullptr || *path == '\0') return nullptr;
    // Linux paths are bytes, taken as they are. Cairo decodes PNG files only (the images the
    // script loads are PNG; other formats give no bitmap, which the script sees as a failed
    // load). The decoded surface is only a source: the CBitmap copies it.
    GDIPlusGlobals::enter();
    CBitmap* bitmap = nullptr;
    cairo_surface_t* loaded = cairo_image_surface_create_from_png(path);
    if (cairo_surface_status(loaded) == CAIRO_STATUS_SUCCESS) bitmap = new CBitmap(loaded);
    cairo_surface_destroy(loaded);
    GDIPlusGlobals::exit();
    return bitmap;
}

void GfxBitmapRelease(void* bitmap)
{
    if (bitmap != nullptr) AsBitmap(bitmap)->forget();
}

double GfxBitmapWidth(const void* bitmap)
{
    return bitmap != nullptr ? AsBitmap(bitmap)->getWidth() : 0.0;
}

double GfxBitmapHeight(const void* bitmap)
{
    return bitmap != nullptr ? AsBitmap(bitmap)->getHeight() : 0.0;
}

bool GfxBitmapGetTransparentColor(const void* bitmap, GfxColor& color)
{
    if (bitmap == nullptr) return false;
    const CColor c = AsBitmap(bitmap)->getTransparentColor();
    color = GfxColor{c.red, c.green, c.blue, c.alpha};
    return true;
}

bool GfxBitmapSetTransparentColor(void* bitmap, GfxColor color)
{
    if (bitmap == nullptr) return false;
    AsBitmap(bitmap)->setTransparentColor(CColor{color.red, color.green, color.blue, color.alpha});
    return true;
}

bool GfxBitmapGetNoAlpha(const void* bitmap, bool& noAlpha)
{
    if (bitmap == nullptr) return false;
    noAlpha = AsBitmap(bitmap)->getNoAlpha();
    return true;
}

bool GfxBitmapSetNoAlpha(void* bitmap, bool noAlpha)
{
    if (bitmap == nullptr) return false;
    AsBitmap(bitmap)->setNoAlpha(noAlpha);
    return true;
}
