#pragma once
// Conversions from the toolkit's double coordinates to what GDI+ takes. Coordinates come from
// the effect script and may be anything (huge, infinite, NaN): they are clamped first, so a
// conversion is always defined and GDI+ only ever sees finite values.

#include <cmath>
#include <cstdint>

// Far outside any window and inside the range of int and float. Kept modest on purpose: some
// GDI+ implementations (Wine's) rasterise a stroke along its whole length, so a line a billion
// pixels long takes seconds even when only a few of its pixels are visible.
inline constexpr double kPixelLimit = 1048576.0; // 2^20

inline double clampPixel(double v)
{
    if (std::isnan(v)) return 0.0;
    return v < -kPixelLimit ? -kPixelLimit : (v > kPixelLimit ? kPixelLimit : v);
}

// Ellipses and arcs wider or taller than this are not drawn: no editor is anywhere near that
// big, and curve flattening in some GDI+ implementations (Wine's) overflows its stack on huge
// curves.
inline constexpr double kMaxCurveSize = 16384.0;

inline bool isDrawableCurve(double width, double height)
{
    return std::fabs(width) <= kMaxCurveSize && std::fabs(height) <= kMaxCurveSize;
}

// Truncation toward zero to an integer pixel.
inline int32_t truncatePixel(double v)
{
    return int32_t(clampPixel(v));
}

// Single-precision coordinate.
inline float toReal(double v)
{
    return float(clampPixel(v));
}
