#include "gui/COffscreenContext.h"

#include "gui/CBitmap.h"

#include <objidl.h>
#include <gdiplus.h>

COffscreenContext::COffscreenContext(CFrame* frame, int32_t width, int32_t height,
                                     CColor backgroundColor)
    : CDrawContext(frame, nullptr, nullptr), height(height), width(width),
      backgroundColor(backgroundColor)
{
    clipRect = CRect(0, 0, width, height).normalize();
    bitmap = new CBitmap(double(width), double(height));
    if (Gdiplus::Bitmap* image = bitmap->getBitmap()) adoptGraphics(new Gdiplus::Graphics(image));
}

COffscreenContext::~COffscreenContext()
{
    // The graphics draws into the bitmap: it must go first.
    releaseGraphics();
    if (bitmap) bitmap->forget();
}
