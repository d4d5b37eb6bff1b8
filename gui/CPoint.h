#pragma once
// A position in the toolkit's coordinate space: pixels, x to the right, y downwards. Doubles so
// that sub-pixel positions from the script survive until a drawing operation rounds them.

struct CPoint
{
    double x = 0.0;
    double y = 0.0;

    constexpr CPoint() = default;
    constexpr CPoint(double x, double y) : x(x), y(y) {}

    constexpr CPoint& offset(double dx, double dy)
    {
        x += dx;
        y += dy;
        return *this;
    }
    constexpr CPoint& operator+=(const CPoint& p) { return offset(p.x, p.y); }
    constexpr CPoint& operator-=(const CPoint& p) { return offset(-p.x, -p.y); }
    constexpr CPoint operator+(const CPoint& p) const { return CPoint(x + p.x, y + p.y); }
    constexpr CPoint operator-(const CPoint& p) const { return CPoint(x - p.x, y - p.y); }
    constexpr bool operator==(const CPoint& p) const { return x == p.x && y == p.y; }
    constexpr bool operator!=(const CPoint& p) const { return !(*this == p); }
};
