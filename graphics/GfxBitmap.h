#pragma once
// Internal to the image bridge: the platform bitmaps a GfxImageHolder holds, reference-counted
// toolkit CBitmaps (decoded by GDI+ on Windows, by cairo on Linux). A null bitmap answers 0 /
// false to every query.
// All operations: [UI thread].

#include <cstdint>

#include "graphics/GfxTarget.h"

// A new bitmap (holding one reference) from the library's "DATA" resource `number` / `name`, or
// from the image file `path` (UTF-8); null when nothing wider and higher than 0 pixels came out.
void* GfxBitmapFromResource(int32_t number);
void* GfxBitmapFromResourceName(const char* name);
void* GfxBitmapFromFile(const char* path);
// Drops one reference.
void GfxBitmapRelease(void* bitmap);
// Size in pixels.
double GfxBitmapWidth(const void* bitmap);
double GfxBitmapHeight(const void* bitmap);
bool GfxBitmapGetTransparentColor(const void* bitmap, GfxColor& color);
bool GfxBitmapSetTransparentColor(void* bitmap, GfxColor color);
bool GfxBitmapGetNoAlpha(const void* bitmap, bool& noAlpha);
bool GfxBitmapSetNoAlpha(void* bitmap, bool noAlpha);
