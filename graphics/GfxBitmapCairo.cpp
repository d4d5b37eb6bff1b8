// Image files decoded by cairo into counted CBitmaps (Linux).
#include "graphics/GfxBitmap.h"

#include <cairo.h>

#include "gui/CBitmap.h"
#include "gui/DrawingSession.h"

void* GfxBitmapFromFile(const char* path)
{
    if (path == nullptr || *path == '\0') return nullptr;
    // Linux paths are bytes, taken as they are. Cairo decodes PNG files only (the images the
    // script loads are PNG; other formats give no bitmap, which the script sees as a failed
    // load). The decoded surface is only a source: the CBitmap copies it.
    DrawingSession::enter();
    CBitmap* bitmap = nullptr;
    cairo_surface_t* loaded = cairo_image_surface_create_from_png(path);
    if (cairo_surface_status(loaded) == CAIRO_STATUS_SUCCESS) bitmap = new CBitmap(loaded);
    cairo_surface_destroy(loaded);
    DrawingSession::exit();
    return bitmap;
}
