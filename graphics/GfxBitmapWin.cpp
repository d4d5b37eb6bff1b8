// Image files decoded by GDI+ into counted CBitmaps (Windows).
#include "graphics/GfxBitmap.h"

#include <windows.h>

#include <gdiplus.h>

#include <string>

#include "gui/CBitmap.h"
#include "gui/DrawingSession.h"

namespace
{

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

void* GfxBitmapFromFile(const char* path)
{
    if (path == nullptr) return nullptr;
    const std::wstring wide = WidePath(path);
    if (wide.empty()) return nullptr;
    // GDI+ must run while the file is decoded; the CBitmap made from it keeps it running. The
    // decoded image is only a source: the CBitmap copies it, and it is disposed either way.
    DrawingSession::enter();
    CBitmap* bitmap = nullptr;
    Gdiplus::Bitmap* loaded = Gdiplus::Bitmap::FromFile(wide.c_str(), FALSE);
    if (loaded != nullptr && loaded->GetLastStatus() == Gdiplus::Ok) bitmap = new CBitmap(loaded);
    delete loaded;
    DrawingSession::exit();
    return bitmap;
}
