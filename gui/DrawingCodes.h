#pragma once
// The small integer codes the drawing operations take. They are plain integers on purpose: the
// script bridge hands them on as numbers, and any value outside a list has a defined meaning
// (a draw mode other than kAntialias is aliased, an alignment other than left or right centres).

#include <cstdint>

// How rectangles, ellipses, arcs and polygons are drawn.
enum CDrawStyle : int32_t
{
    kDrawStroked = 0,
    kDrawFilled = 1,
    kDrawFilledAndStroked = 2,
};

// Pen pattern of lines and outlines.
enum CLineStyle : int32_t
{
    kLineSolid = 0,
    kLineOnOffDash = 1,
};

// Edge smoothing: kAntialias smooths, every other value (kCopyMode is the default) does not.
enum CDrawMode : int32_t
{
    kCopyMode = 0,
    kAntialias = 3,
};

// Horizontal placement of text inside a rectangle.
enum CHoriTxtAlign : int32_t
{
    kLeftText = 0,
    kCenterText = 1,
    kRightText = 2,
};

// Font style bits. A platform font carries one style only: underline wins over italic, which
// wins over bold (see CFontDesc).
enum CTxtFace : int32_t
{
    kNormalFace = 0,
    kBoldFace = 1,
    kItalicFace = 2,
    kUnderlineFace = 4,
};

// Drawing style tests shared by every shape.
inline constexpr bool isFilledStyle(int32_t style)
{
    return style == kDrawFilled || style == kDrawFilledAndStroked;
}
inline constexpr bool isStrokedStyle(int32_t style)
{
    return style == kDrawStroked || style == kDrawFilledAndStroked;
}
