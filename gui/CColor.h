#pragma once
// A colour of four bytes, stored red, green, blue, alpha in this order. As one 32-bit value
// (how the script hands colours over) red is the low byte and
// alpha the high byte; GDI+ wants ARGB instead, with alpha high and blue low.

#include <cstdint>

struct CColor
{
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t alpha = 0;

    // 0xAABBGGRR -> colour.
    static constexpr CColor fromValue(uint32_t value)
    {
        return CColor{uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16),
                      uint8_t(value >> 24)};
    }
    // Colour -> 0xAABBGGRR.
    constexpr uint32_t toValue() const
    {
        return uint32_t(red) | uint32_t(green) << 8 | uint32_t(blue) << 16 | uint32_t(alpha) << 24;
    }
    // Colour -> 0xAARRGGBB, the layout of a GDI+ ARGB value.
    constexpr uint32_t toARGB() const
    {
        return uint32_t(alpha) << 24 | uint32_t(red) << 16 | uint32_t(green) << 8 | uint32_t(blue);
    }

    constexpr bool operator==(const CColor& c) const
    {
        return red == c.red && green == c.green && blue == c.blue && alpha == c.alpha;
    }
    constexpr bool operator!=(const CColor& c) const { return !(*this == c); }
};
static_assert(sizeof(CColor) == 4, "a colour travels as four bytes");

inline constexpr CColor kBlackCColor{0, 0, 0, 255};
inline constexpr CColor kWhiteCColor{255, 255, 255, 255};
inline constexpr CColor kTransparentCColor{255, 255, 255, 0};
