// CBitmap: what is the same on every platform (the size limits, the resource name, the drawing
// entries); the image itself is CBitmapGdiplus.cpp's or CBitmapCairo.cpp's.
#include "gui/CBitmap.h"

#include "gui/DrawingSession.h"
#include "gui/PixelMath.h"

namespace
{
// Empty bitmaps beyond these sizes are refused: GDI+ computes strides in 32-bit integers, and
// some implementations (Wine's) hand out a bitmap whose byte size has wrapped.
constexpr int32_t kMaxBitmapSide = 32767;
constexpr int64_t kMaxBitmapPixels = int64_t(1) << 28; // 1 GiB of 32-bit pixels
} // namespace

CBitmap::CBitmap(const CResourceDescription& description)
{
    DrawingSession::enter();
    loadFromResource(description);
}

CBitmap::CBitmap(double newWidth, double newHeight)
{
    DrawingSession::enter();
    const int32_t w = truncatePixel(newWidth), h = truncatePixel(newHeight);
    if (w > 0 && h > 0 && w <= kMaxBitmapSide && h <= kMaxBitmapSide &&
        int64_t(w) * h <= kMaxBitmapPixels)
        adoptBitmap(makeEmptyBitmap(w, h));
}

CBitmap::CBitmap(PlatformBitmap* source)
{
    DrawingSession::enter();
    adoptCopyOf(source);
}

CBitmap::~CBitmap()
{
    dispose();
    DrawingSession::exit();
}

bool CBitmap::loadFromPath(const void*)
{
    dispose();
    return false;
}

bool CBitmap::loadFromResource(const CResourceDescription& description)
{
    dispose();
    resourceDesc = description;
    resourceName = description.type == CResourceDescription::kStringType ? description.name : "";
    resourceDesc.name =
        description.type == CResourceDescription::kStringType ? resourceName.c_str() : nullptr;
    loadResourcePixels();
    return true;
}

void CBitmap::draw(CDrawContext* context, const CRect& destination, const CPoint& sourceOffset)
{
    drawAlphaBlend(context, destination, sourceOffset, 255);
}

void CBitmap::drawTransparent(CDrawContext* context, const CRect& destination,
                              const CPoint& sourceOffset)
{
    drawAlphaBlend(context, destination, sourceOffset, 255);
}
