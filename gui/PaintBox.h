#pragma once
// A rectangle of device pixels, right and bottom exclusive (the area a drawing may change), and
// the bytes describing a drawing.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

struct PaintBox
{
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    bool empty() const { return right <= left || bottom <= top; }
    int32_t width() const { return empty() ? 0 : right - left; }
    int32_t height() const { return empty() ? 0 : bottom - top; }
    bool meets(const PaintBox& o) const
    {
        return !empty() && !o.empty() && left < o.right && o.left < right && top < o.bottom &&
               o.top < bottom;
    }
    bool contains(const PaintBox& o) const
    {
        return !empty() && !o.empty() && left <= o.left && top <= o.top && o.right <= right &&
               o.bottom <= bottom;
    }
    PaintBox intersect(const PaintBox& o) const
    {
        return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
                std::min(bottom, o.bottom)};
    }
    // Grown by `margin` pixels on every side (shrunk when negative), saturating.
    PaintBox grown(int32_t margin) const
    {
        auto add = [](int32_t v, int64_t d)
        { return int32_t(std::clamp<int64_t>(int64_t(v) + d, INT32_MIN, INT32_MAX)); };
        return {add(left, -int64_t(margin)), add(top, -int64_t(margin)), add(right, margin),
                add(bottom, margin)};
    }
};

// The device pixels a drawing between the two corners can change: `margin` more on every side
// (half a pen, a mitre) and two more for smoothed edges. A drawing with a coordinate that is not
// a number reaches everywhere.
inline PaintBox reachAround(double x0, double y0, double x1, double y1, double margin)
{
    constexpr double kFar = 1e9;
    const double m = margin + 2.0;
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1) ||
        !std::isfinite(m))
        return {-int32_t(kFar), -int32_t(kFar), int32_t(kFar), int32_t(kFar)};
    auto low = [&](double a, double b)
    { return int32_t(std::clamp(std::floor(std::min(a, b) - m), -kFar, kFar)); };
    auto high = [&](double a, double b)
    { return int32_t(std::clamp(std::ceil(std::max(a, b) + m) + 1.0, -kFar, kFar)); };
    return {low(x0, x1), low(y0, y1), high(x0, x1), high(y0, y1)};
}

// A line of pen `width` between two pixel positions.
inline PaintBox lineReach(int32_t x0, int32_t y0, int32_t x1, int32_t y1, double width)
{
    return reachAround(x0, y0, x1, y1, std::ceil(std::fabs(width) * 0.5));
}

// The bytes that describe a drawing: every value its pixels depend on, appended field by field
// (never a struct with padding), so equal drawings give equal bytes.
struct PaintDescription
{
    std::string bytes;

    template <class T> PaintDescription& operator<<(const T& value)
    {
        static_assert(std::is_arithmetic_v<T>, "fields are numbers");
        bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
        return *this;
    }
    // Text with its length first, so that neighbouring texts cannot run into each other.
    PaintDescription& text(std::string_view value)
    {
        *this << uint64_t(value.size());
        bytes.append(value);
        return *this;
    }
};
