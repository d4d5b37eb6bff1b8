#pragma once
// What the drawing bridge draws on during one view draw.
//
// In the plug-in this is the toolkit's drawing context of the script view (wrapped by
// CDrawContextTarget); a front end without the toolkit, or a test that records what a
// script draws, offers its own target through CXlatAdapter::getScriptDrawTarget(). The
// operations are those of the toolkit's drawing context that the bridge needs; coordinates are
// surface pixels as doubles. All operations: [UI thread].

#include <cstdint>

// A colour as four bytes; the toolkit packs them into its own colour type.
struct GfxColor
{
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t alpha = 0;

    constexpr bool operator==(const GfxColor&) const = default;
};

struct GfxPoint
{
    double x = 0.0;
    double y = 0.0;

    constexpr bool operator==(const GfxPoint&) const = default;
};

// Left, top, right, bottom; the corners may come in any order.
struct GfxRect
{
    double left = 0.0;
    double top = 0.0;
    double right = 0.0;
    double bottom = 0.0;

    constexpr bool operator==(const GfxRect&) const = default;
};

class CGfxTarget
{
  public:
    virtual ~CGfxTarget() = default;

    // 3 = anti-aliased, anything else aliased.
    virtual void setDrawMode(int32_t mode) = 0;
    virtual void setFontColor(GfxColor color) = 0;  // text
    virtual void setFillColor(GfxColor color) = 0;  // fills
    virtual void setFrameColor(GfxColor color) = 0; // lines and outlines

    // Pixel width of `text` (UTF-8) in the current font; negative when there is no usable font.
    virtual double getStringWidth(const char* text) = 0;
    // Size of the current font in pixels, truncated; 0 without a font.
    virtual int32_t getFontSize() = 0;

    virtual void moveTo(const GfxPoint& point) = 0;
    virtual void lineTo(const GfxPoint& point) = 0;
    // Style: 0 outline, 1 filled, 2 filled and outlined.
    virtual void drawRect(const GfxRect& rect, int32_t style) = 0;
    virtual void drawEllipse(const GfxRect& rect, int32_t style) = 0;
    virtual void drawArc(const GfxRect& rect, float startAngle, float endAngle, int32_t style) = 0;
    // Alignment: 0 left, 2 right, anything else centred. `opaque` is handed on and ignored.
    virtual void drawString(const char* text, const GfxRect& rect, bool opaque, int32_t align) = 0;
    virtual void drawStringInRect(const char* text, const GfxRect& rect, int32_t align,
                                  bool antialias) = 0;
    // `point` names the text's bottom line.
    virtual void drawStringAt(const char* text, const GfxPoint& point, bool antialias) = 0;
    virtual void drawPoint(const GfxPoint& point, GfxColor color) = 0;
    virtual GfxColor getPoint(const GfxPoint& point) = 0;

    // Makes the font `face` at `size` pixels with style bits `flags` the current font. False
    // when the target cannot select fonts at all.
    virtual bool setFont(const char* face, int32_t size, int32_t flags) = 0;

    // Draws the part of `bitmap` (a platform bitmap as held by a GfxImageHolder) that starts at
    // `source` and has the size of `destination` into `destination`, unscaled, with the opacity
    // byte `alpha` (255 = opaque). False when the target cannot draw that bitmap.
    virtual bool drawBitmap(void* bitmap, const GfxRect& destination, const GfxPoint& source,
                            int32_t alpha) = 0;
};
