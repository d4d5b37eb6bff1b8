// Platform bitmaps with the toolkit: counted CBitmaps decoded by GDI+.
#include "graphics/GfxBitmap.h"

#include <windows.h>

#include <gdiplus.h>

#include <string>

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

// Paths come from the library's folder as the system reports it in the ANSI code page; texts
// made by the script are UTF-8. ASCII reads the same either way: valid UTF-8 is taken as such,
// anything else as the ANSI code page.
std::wstring WidePath(const char* path)
{
    for (UINT codePage : {static_cast<UINT>(CP_UTF8), static_cast<UINT>(CP_ACP)})
    {
        const DWORD flags = codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
        const int length = MultiByteToWideChar(codePage, flags, path, -1, nullptr, 0);
        if (length <= 0) continue;
        std::wstring wide(static_cast<size_t>(length), L'\0');
        if (MultiByteToWideChar(codePage, flags, path, -1, wide.data(), length) == length)
        {
            wide.resize(static_cast<size_t>(length - 1));
            return wide;
        }
    }
    return std::wstring();
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
    if (path == nullptr) return nullptr;
    const std::wstring wide = WidePath(path);
    if (wide.empty()) return nullptr;
    // GDI+ must run while the file is decoded; the CBitmap made from it keeps it running. The
    // decoded image is only a source: the CBitmap copies it, and it is disposed either way.
    GDIPlusGlobals::enter();
    CBitmap* bitmap = nullptr;
    Gdiplus::Bitmap* loaded = Gdiplus::Bitmap::FromFile(wide.c_str(), FALSE);
    if (loaded != nullptr && loaded->GetLastStatus() == Gdiplus::Ok) bitmap = new CBitmap(loaded);
    delete loaded;
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
