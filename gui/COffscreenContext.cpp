// COffscreenContext: a drawing context over a bitmap of its own, the same on every platform.
#include "gui/COffscreenContext.h"

#include "gui/CBitmap.h"

COffscreenContext::COffscreenContext(CFrame* frame, int32_t width, int32_t height,
                                     CColor backgroundColor)
    : CDrawContext(frame, PlatformDeviceContext{}, PlatformWindow{}), height(height), width(width),
      backgroundColor(backgroundColor)
{
    clipRect = CRect(0, 0, width, height).normalize();
    bitmap = new CBitmap(double(width), double(height));
    if (PlatformBitmap* image = bitmap->getBitmap()) adoptGraphics(makeGraphics(image));
}

COffscreenContext::~COffscreenContext()
{
    // The graphics draws into the bitmap: it must go first.
    releaseGraphics();
    if (bitmap) bitmap->forget();
}
