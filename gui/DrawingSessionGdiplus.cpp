// The drawing session on Windows: GDI+'s start-up and shutdown.
#include "gui/DrawingSession.h"

#include "gui/PlatformFonts.h"

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

void DrawingSession::startPlatform()
{
    // Version 1, no debug callback, background thread and external codecs not suppressed.
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR startupToken = 0;
    if (Gdiplus::GdiplusStartup(&startupToken, &input, nullptr) == Gdiplus::Ok)
        token = startupToken;
}

void DrawingSession::stopPlatform()
{
    PlatformFonts::clear(); // no description holds one of them any more
    if (token) Gdiplus::GdiplusShutdown(token);
}
