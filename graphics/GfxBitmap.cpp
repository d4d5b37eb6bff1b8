// Platform bitmaps: counted toolkit CBitmaps (GDI+ on Windows, cairo on Linux). Loading from a
// file is the platform's own (GfxBitmapWin.cpp, GfxBitmapCairo.cpp); the rest is the same.
#include "graphics/GfxBitmap.h"

#include "gui/CBitmap.h"

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
