// CBitmap over cairo (Linux): the image is a premultiplied ARGB32 cairo image surface, decoded
// by cairo's PNG reader from the module's embedded "DATA" resources.
#include "gui/CBitmap.h"

#include "gui/CDrawContext.h"
#include "gui/EmbeddedResources.h"
#include "gui/PixelMath.h"

#include <dlfcn.h>

#include <cstring>

namespace
{
// Cairo and pixman, once loaded, stay loaded until the process ends, even when a host unloads the
// plug-in: both set up process-wide state when they are loaded (pixman its table of drawing
// routines, cairo its caches) that they never take down, so every unload and reload of the
// plug-in would leave another copy behind. Pinned when the plug-in is loaded.
struct PinnedDrawingLibraries
{
    PinnedDrawingLibraries()
    {
        Dl_info cairo{};
        if (dladdr(reinterpret_cast<void*>(&cairo_create), &cairo) && cairo.dli_fname)
            dlopen(cairo.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
        dlopen("libpixman-1.so.0", RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    }
};
const PinnedDrawingLibraries pinnedDrawingLibraries;

// A surface cairo could not make is no surface at all.
cairo_surface_t* withoutFailure(cairo_surface_t* surface)
{
    if (surface && cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
    {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    return surface;
}

// Reads a PNG held in memory: reading past the end fails (and cairo's decoder gives up).
struct MemoryReader
{
    const unsigned char* data;
    size_t size;
    size_t position;
};

cairo_status_t readMemory(void* closure, unsigned char* target, unsigned int length)
{
    auto* reader = static_cast<MemoryReader*>(closure);
    if (length > reader->size - reader->position) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(target, reader->data + reader->position, length);
    reader->position += length;
    return CAIRO_STATUS_SUCCESS;
}

int32_t liveSurfaces = 0; // image surfaces owned by bitmaps
} // namespace

const EmbeddedResource* findEmbeddedResource(int32_t id, const char* name)
{
    if (!quar2EmbeddedResources) return nullptr;
    for (const EmbeddedResource* r = quar2EmbeddedResources; r->id >= 0; ++r)
    {
        if (name ? (r->name && std::strcmp(r->name, name) == 0) : r->id == id) return r;
    }
    return nullptr;
}

int32_t CBitmap::getLiveSurfaceCount()
{
    return liveSurfaces;
}

PlatformBitmap* CBitmap::makeEmptyBitmap(int32_t w, int32_t h)
{
    return withoutFailure(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
}

void CBitmap::adoptCopyOf(PlatformBitmap* source)
{
    if (!source || cairo_surface_status(source) != CAIRO_STATUS_SUCCESS) return;
    const int w = cairo_image_surface_get_width(source);
    const int h = cairo_image_surface_get_height(source);
    if (w <= 0 || h <= 0) return;
    cairo_surface_t* copy = withoutFailure(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
    if (copy)
    {
        cairo_t* cr = cairo_create(copy);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_surface(cr, source, 0, 0);
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_flush(copy);
    }
    adoptBitmap(copy);
}

void CBitmap::adoptBitmap(PlatformBitmap* newBitmap, bool)
{
    bitmap = newBitmap;
    if (bitmap) ++liveSurfaces;
    width = bitmap ? double(cairo_image_surface_get_width(bitmap)) : 0.0;
    height = bitmap ? double(cairo_image_surface_get_height(bitmap)) : 0.0;
}

void CBitmap::dispose()
{
    if (bitmap)
    {
        cairo_surface_destroy(bitmap);
        --liveSurfaces;
    }
    bitmap = nullptr;
    width = height = 0.0;
    noAlpha = false;
}

void CBitmap::loadResourcePixels()
{
    const EmbeddedResource* found = nullptr;
    if (resourceDesc.type == CResourceDescription::kIntegerType)
        found = findEmbeddedResource(resourceDesc.id, nullptr);
    else if (resourceDesc.type == CResourceDescription::kStringType)
        found = findEmbeddedResource(-1, resourceDesc.name);
    if (found && found->data)
    {
        MemoryReader reader{found->data, found->size, 0};
        adoptBitmap(
            withoutFailure(cairo_image_surface_create_from_png_stream(readMemory, &reader)));
    }
}

void CBitmap::drawAlphaBlend(CDrawContext* context, const CRect& destination,
                             const CPoint& sourceOffset, uint8_t alpha)
{
    cairo_surface_t* image = getBitmap();
    if (!image || !context || !context->getGraphics()) return;
    cairo_t* cr = context->getGraphics();
    const int32_t w = truncatePixel(destination.right - destination.left);
    const int32_t h = truncatePixel(destination.bottom - destination.top);
    const int32_t x = truncatePixel(context->getOffset().x) + truncatePixel(destination.left);
    const int32_t y = truncatePixel(context->getOffset().y) + truncatePixel(destination.top);
    const int32_t sx = truncatePixel(sourceOffset.x), sy = truncatePixel(sourceOffset.y);
    if (w <= 0 || h <= 0) return;
    cairo_save(cr);
    // Unscaled and pixel-aligned: the image's pixels land on the surface's pixels as they are.
    cairo_set_source_surface(cr, image, double(x) - sx, double(y) - sy);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_rectangle(cr, x, y, w, h);
    if (alpha == 255)
        cairo_fill(cr);
    else
    {
        cairo_clip(cr);
        cairo_paint_with_alpha(cr, alpha / 255.0);
    }
    cairo_restore(cr);
}
