#pragma once
// The drawing bridge: flat operations through which the script's drawing primitives reach the
// editor. The first argument is always the plug-in object as the runtime sees it (its
// `adapter`). Each operation draws on the plug-in object's drawing target while the script
// view draws (CXlatAdapter::getScriptDrawTarget(), else the toolkit's drawing context from
// getScriptDrawContext()); outside a draw, or with a null plug-in object, it does nothing and
// answers false (or the value named below). Coordinates are surface pixels; colour components
// are bytes (values outside 0..255 are limited to it).
//
// All operations: [UI thread], inside the gfx hook.

#include <cstdint>

class CXlatAdapter;

// The editor's width and height (not the drawing context's); true when an editor exists.
bool GfxGetSize(CXlatAdapter* plugin, int32_t& width, int32_t& height);
// 0 aliased, 3 anti-aliased.
bool GfxSetDrawMode(CXlatAdapter* plugin, int32_t mode);
bool GfxSetFontColor(CXlatAdapter* plugin, int32_t r, int32_t g, int32_t b, int32_t a);
bool GfxSetFillColor(CXlatAdapter* plugin, int32_t r, int32_t g, int32_t b, int32_t a);
bool GfxSetFrameColor(CXlatAdapter* plugin, int32_t r, int32_t g, int32_t b, int32_t a);
// Width of `text` (UTF-8) in the current font; 0 outside a draw; -1 when the context has no
// usable font.
double GfxGetStringWidth(CXlatAdapter* plugin, const char* text);
// Size of the current font in pixels; 0 outside a draw.
int32_t GfxGetFontSize(CXlatAdapter* plugin);
bool GfxMoveTo(CXlatAdapter* plugin, double x, double y);
// A line from the context's pen to (x, y) (end points truncated to pixels by the context).
bool GfxLineTo(CXlatAdapter* plugin, double x, double y);
// Style: 0 outline, 1 filled, 2 both. The corners may come in any order.
bool GfxDrawRect(CXlatAdapter* plugin, double left, double top, double right, double bottom,
                 int32_t style);
bool GfxDrawEllipse(CXlatAdapter* plugin, double left, double top, double right, double bottom,
                    int32_t style);
// Angles in degrees, handed on in single precision.
bool GfxDrawArc(CXlatAdapter* plugin, double left, double top, double right, double bottom,
                double startAngle, double endAngle, int32_t style);
// Text in the box, anti-aliased; align 0 left, 2 right, else centred; `opaque` is ignored.
bool GfxDrawString(CXlatAdapter* plugin, const char* text, double left, double top, double right,
                   double bottom, bool opaque, int32_t align);
bool GfxDrawStringAligned(CXlatAdapter* plugin, const char* text, double left, double top,
                          double right, double bottom, int32_t align, bool antialias);
// (x, y) names the text's bottom line.
bool GfxDrawStringAt(CXlatAdapter* plugin, const char* text, double x, double y, bool antialias);
bool GfxDrawPoint(CXlatAdapter* plugin, double x, double y, int32_t r, int32_t g, int32_t b,
                  int32_t a);
// The context never reads pixels back: r = g = b = 0, a = 255 inside a draw.
bool GfxGetPoint(CXlatAdapter* plugin, double x, double y, int32_t& r, int32_t& g, int32_t& b,
                 int32_t& a);
// Selects the font `face` (compared without case against the plug-in object's font cache) at
// `size` pixels with style bits `flags` (1 bold, 2 italic, 4 underline). An unknown face still
// answers true (its text then measures 0 and draws nothing).
bool GfxSetFont(CXlatAdapter* plugin, const char* face, int32_t size, int32_t flags);
