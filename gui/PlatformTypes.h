#pragma once
// The few platform types the toolkit's headers name. On Windows the toolkit draws with GDI+ into
// Win32 windows; on Linux it draws with cairo into X11 windows. Everything else in the toolkit
// (views, containers, events, the editor) is the same on both.

#ifdef _WIN32
#include <windows.h>

namespace Gdiplus
{
class Bitmap;
class Font;
class Graphics;
} // namespace Gdiplus

using PlatformWindow = HWND;            // a window handle
using PlatformDeviceContext = HDC;      // what a window context draws through
using PlatformBitmap = Gdiplus::Bitmap; // the pixels of a CBitmap
using PlatformFont = Gdiplus::Font;     // the font behind a CFontDesc
using PlatformGraphics = Gdiplus::Graphics;
#else
#include <cairo.h>

using PlatformWindow = unsigned long;   // an X11 window id (XID); 0 for none
using PlatformDeviceContext = cairo_t*; // a cairo context over the window's surface
using PlatformBitmap = cairo_surface_t; // an ARGB32 image surface (premultiplied)
using PlatformFont = cairo_font_face_t; // a cairo font face found through fontconfig
using PlatformGraphics = cairo_t;
#endif
