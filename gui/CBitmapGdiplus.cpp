// CBitmap over GDI+ (Windows): the image is a 32-bit ARGB GDI+ bitmap, decoded from the
// module's "DATA" resources through ResourceStream.
#include "gui/CBitmap.h"

#include "gui/CDrawContext.h"
#include "gui/PaintBox.h"
#include "gui/PixelMath.h"
#include "gui/ResourceStream.h"
#include "gui/WideText.h"
#include "runtime/ModuleHandle.h"

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <memory>

namespace
{
// A bitmap GDI+ could not make (no memory for its size, say) is no bitmap at all.
Gdiplus::Bitmap* withoutFailure(Gdiplus::Bitmap* bitmap)
{
    if (bitmap && bitmap->GetLastStatus() != Gdiplus::Ok)
    {
        delete bitmap;
        return nullptr;
    }
    return bitmap;
}
} // namespace

PlatformBitmap* CBitmap::makeEmptyBitmap(int32_t w, int32_t h)
{
    return withoutFailure(new Gdiplus::Bitmap(w, h, PixelFormat32bppARGB));
}

void CBitmap::adoptCopyOf(Gdiplus::Bitmap* source)
{
    if (!source) return;
    const INT w = INT(source->GetWidth()), h = INT(source->GetHeight());
    if (w > 0 && h > 0)
        adoptBitmap(withoutFailure(source->Clone(0, 0, w, h, PixelFormat32bppARGB)), true);
}

void CBitmap::adoptBitmap(Gdiplus::Bitmap* newBitmap, bool immutable)
{
    static uint64_t lastSerial = 0;
    bitmap = newBitmap;
    width = bitmap ? double(bitmap->GetWidth()) : 0.0; // a failed bitmap answers 0
    height = bitmap ? double(bitmap->GetHeight()) : 0.0;
    imageSerial = bitmap && immutable ? ++lastSerial : 0;
    opaque = -1;
}

bool CBitmap::isOpaque()
{
    if (opaque >= 0) return opaque == 1;
    opaque = 0;
    const UINT w = bitmap ? bitmap->GetWidth() : 0, h = bitmap ? bitmap->GetHeight() : 0;
    if (w == 0 || h == 0) return false;
    Gdiplus::BitmapData data{};
    Gdiplus::Rect all(0, 0, INT(w), INT(h));
    if (bitmap->LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) !=
        Gdiplus::Ok)
        return false;
    bool allOpaque = true;
    for (UINT row = 0; row < h && allOpaque; ++row)
    {
        const auto* pixel = reinterpret_cast<const uint32_t*>(
            static_cast<const uint8_t*>(data.Scan0) + ptrdiff_t(row) * data.Stride);
        for (UINT x = 0; x < w && allOpaque; ++x)
            allOpaque = (pixel[x] >> 24) == 0xff;
    }
    bitmap->UnlockBits(&data);
    opaque = allOpaque ? 1 : 0;
    return allOpaque;
}

void CBitmap::dispose()
{
    delete bitmap;
    bitmap = nullptr;
    imageSerial = 0;
    opaque = -1;
    width = height = 0.0;
    noAlpha = false;
}

void CBitmap::loadResourcePixels()
{
    const HMODULE module = static_cast<HMODULE>(hInstance);
    const char* resource = nullptr;
    if (resourceDesc.type == CResourceDescription::kIntegerType)
        resource = MAKEINTRESOURCEA(resourceDesc.id);
    else if (resourceDesc.type == CResourceDescription::kStringType)
        resource = resourceDesc.name;

    // Resource number 0 is a valid name whose pointer form is null: test the kind, not the
    // pointer.
    const bool named = resourceDesc.type != CResourceDescription::kUnknownType;
    Gdiplus::Bitmap* decoded = nullptr;
    auto* stream = new ResourceStream();
    if (named)
    {
        if (HRSRC found = FindResourceA(module, resource, "DATA"))
        {
            const DWORD size = SizeofResource(module, found);
            HGLOBAL loaded = LoadResource(module, found);
            const void* data = loaded ? LockResource(loaded) : nullptr;
            if (data)
            {
                stream->open(data, size);
                // With the image's embedded colour management applied.
                decoded = new Gdiplus::Bitmap(stream, TRUE);
            }
        }
    }
    stream->Release();

    if (!decoded && named)
    {
        // No "DATA" resource: a bitmap resource of the same number or name.
        const std::wstring wideName = resourceDesc.type == CResourceDescription::kStringType
                                          ? utf8ToWide(resourceDesc.name)
                                          : std::wstring();
        const WCHAR* wide = resourceDesc.type == CResourceDescription::kIntegerType
                                ? MAKEINTRESOURCEW(resourceDesc.id)
                                : wideName.c_str();
        decoded = Gdiplus::Bitmap::FromResource(module, wide);
    }
    adoptBitmap(decoded, true);
}

void CBitmap::drawAlphaBlend(CDrawContext* context, const CRect& destination,
                             const CPoint& sourceOffset, uint8_t alpha)
{
    Gdiplus::Bitmap* image = getBitmap();
    if (!image || !context || !context->hasGraphics()) return;
    const INT w = truncatePixel(destination.right - destination.left);
    const INT h = truncatePixel(destination.bottom - destination.top);
    const INT x = truncatePixel(context->getOffset().x) + truncatePixel(destination.left);
    const INT y = truncatePixel(context->getOffset().y) + truncatePixel(destination.top);
    const INT sx = truncatePixel(sourceOffset.x), sy = truncatePixel(sourceOffset.y);

    auto drawImage = [&](Gdiplus::Graphics& graphics)
    {
        if (alpha == 255)
        {
            graphics.DrawImage(image, Gdiplus::Rect(x, y, w, h), sx, sy, w, h, Gdiplus::UnitPixel);
            return;
        }
        if (w <= 0 || h <= 0) return;
        Gdiplus::ColorMatrix matrix = {};
        matrix.m[0][0] = matrix.m[1][1] = matrix.m[2][2] = 1.0f;
        matrix.m[3][3] = float(alpha) / 255.0f;
        Gdiplus::ImageAttributes attributes;
        attributes.SetColorMatrix(&matrix, Gdiplus::ColorMatrixFlagsDefault,
                                  Gdiplus::ColorAdjustTypeBitmap);
        // The source area is copied first, so the matrix applies to exactly that area.
        Gdiplus::Bitmap area(w, h, PixelFormat32bppARGB);
        {
            Gdiplus::Graphics areaGraphics(&area);
            areaGraphics.DrawImage(image, Gdiplus::Rect(0, 0, w, h), sx, sy, w, h,
                                   Gdiplus::UnitPixel);
        }
        graphics.DrawImage(&area, Gdiplus::Rect(x, y, w, h), 0, 0, w, h, Gdiplus::UnitPixel,
                           &attributes);
    };
    if (!context->isLogging())
    {
        context->drawRepeatable({}, {}, {}, drawImage);
        return;
    }
    // Unscaled, the image changes only its destination (a pixel more for the edges' sake).
    const PaintBox reach = PaintBox{x, y, x + w, y + h}.grown(1);
    if (imageSerial == 0)
    {
        context->drawRepeatable(reach, {}, {}, drawImage);
        return;
    }
    // An opaque image drawn whole and unblended paints its destination, less the edge pixels.
    const bool inside = sx >= 0 && sy >= 0 && double(sx) + w <= width && double(sy) + h <= height;
    const PaintBox cover =
        alpha == 255 && inside && isOpaque() ? PaintBox{x, y, x + w, y + h}.grown(-1) : PaintBox{};
    PaintDescription description;
    description << 'B' << alpha << imageSerial << x << y << w << h << sx << sy;
    context->drawRepeatable(reach, cover, description.bytes, drawImage);
}
