// Platform bitmaps where there is no toolkit and no image decoder: nothing loads, so holders
// stay empty and the image operations take their "no bitmap" answers.
#include "graphics/GfxBitmap.h"

void* GfxBitmapFromResource(int32_t)
{
    return nullptr;
}

void* GfxBitmapFromResourceName(const char*)
{
    return nullptr;
}

void* GfxBitmapFromFile(const char*)
{
    return nullptr;
}

void GfxBitmapRelease(void*) {}

double GfxBitmapWidth(const void*)
{
    return 0.0;
}

double GfxBitmapHeight(const void*)
{
    return 0.0;
}

bool GfxBitmapGetTransparentColor(const void*, GfxColor&)
{
    return false;
}

bool GfxBitmapSetTransparentColor(void*, GfxColor)
{
    return false;
}

bool GfxBitmapGetNoAlpha(const void*, bool&)
{
    return false;
}

bool GfxBitmapSetNoAlpha(void*, bool)
{
    return false;
}
