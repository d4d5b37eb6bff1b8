#pragma once
// The image operations of the drawing bridge. An image lives in a GfxImageHolder (runtime/),
// which holds one reference to a platform bitmap or none. Loading uses the platform's image
// decoder (GDI+ on Windows, cairo's PNG reader on Linux); a load it cannot decode answers false
// and leaves the holder empty, while everything else behaves the same.
//
// All operations: [UI thread].

#include <cstdint>

#include "runtime/GfxImageHolder.h"

class CXlatAdapter;

// A new empty holder (never null).
GfxImageHolder* GfxImageNew();
// Drops the holder's bitmap reference and frees the holder; false for a null holder.
bool GfxImageFree(GfxImageHolder* holder);

// Each load first drops the holder's old bitmap. True when a bitmap wider and higher than 0 pixels
// was made; otherwise the holder stays empty.
// From the library's resource of type "DATA" with that number.
bool GfxImageLoadResource(GfxImageHolder* holder, int32_t number);
// From the library's resource of type "DATA" with that name.
bool GfxImageLoadResourceName(GfxImageHolder* holder, const char* name);
// From an image file (PNG, ...) at the full path `path` (UTF-8).
bool GfxImageLoadFile(GfxImageHolder* holder, const char* path);

// Size of the holder's bitmap in whole pixels; 0 for a null or empty holder.
double GfxImageWidth(const GfxImageHolder* holder);
double GfxImageHeight(const GfxImageHolder* holder);

// Draws the part of the bitmap that starts at (sourceX, sourceY) and has the destination's size
// into the destination rectangle, unscaled. False without a drawing target, holder or bitmap.
bool GfxImageDraw(GfxImageHolder* holder, CXlatAdapter* plugin, double left, double top,
                  double right, double bottom, double sourceX, double sourceY);
// As GfxImageDraw with an opacity byte (255 = opaque, limited to 0..255).
bool GfxImageDrawAlpha(GfxImageHolder* holder, CXlatAdapter* plugin, double left, double top,
                       double right, double bottom, double sourceX, double sourceY, int32_t alpha);
// Behaves as GfxImageDraw.
bool GfxImageDrawTransparent(GfxImageHolder* holder, CXlatAdapter* plugin, double left, double top,
                             double right, double bottom, double sourceX, double sourceY);

// The bitmap's transparent colour and its no-alpha flag; false for a null or empty holder.
bool GfxImageGetTransparentColor(const GfxImageHolder* holder, int32_t& r, int32_t& g, int32_t& b,
                                 int32_t& a);
bool GfxImageSetTransparentColor(GfxImageHolder* holder, int32_t r, int32_t g, int32_t b,
                                 int32_t a);
bool GfxImageGetNoAlpha(const GfxImageHolder* holder, bool& noAlpha);
bool GfxImageSetNoAlpha(GfxImageHolder* holder, bool noAlpha);
