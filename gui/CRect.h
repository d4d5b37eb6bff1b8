#pragma once
// An axis-aligned rectangle in pixels. `right` and `bottom` are exclusive for areas (width =
// right - left) but the hit tests of views treat both edges as inside, see pointInsideInclusive.

#include "gui/CPoint.h"

#include <algorithm>

struct CRect
{
    double left = 0.0;
    double top = 0.0;
    double right = 0.0;
    double bottom = 0.0;

    constexpr CRect() = default;
    constexpr CRect(double left, double top, double right, double bottom)
        : left(left), top(top), right(right), bottom(bottom)
    {
    }

    constexpr double getWidth() const { return right - left; }
    constexpr double getHeight() const { return bottom - top; }
    constexpr CPoint getTopLeft() const { return CPoint(left, top); }
    // True when the area is zero or negative in either direction.
    constexpr bool isEmpty() const { return right <= left || bottom <= top; }

    constexpr CRect& offset(double dx, double dy)
    {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
        return *this;
    }
    constexpr CRect& offset(const CPoint& p) { return offset(p.x, p.y); }
    // Moves the rectangle so that its top-left corner is at (x, y), keeping its size.
    constexpr CRect& moveTo(double x, double y) { return offset(x - left, y - top); }

    // Smaller coordinates first in each direction.
    constexpr CRect& normalize()
    {
        if (left > right) std::swap(left, right);
        if (top > bottom) std::swap(top, bottom);
        return *this;
    }

    // Intersection with `r`. An empty intersection keeps its top-left corner and gets zero width
    // or height, never a negative one, so that callers can test getWidth() > 0.
    constexpr CRect& bound(const CRect& r)
    {
        left = std::max(left, r.left);
        top = std::max(top, r.top);
        right = std::max(left, std::min(right, r.right));
        bottom = std::max(top, std::min(bottom, r.bottom));
        return *this;
    }

    // Inside test with the left and top edges included and the right and bottom ones excluded.
    constexpr bool pointInside(const CPoint& p) const
    {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    // Inside test with all four edges included (the views' hit test rule).
    constexpr bool pointInsideInclusive(const CPoint& p) const
    {
        return p.x >= left && p.x <= right && p.y >= top && p.y <= bottom;
    }
    // Overlap test in which rectangles that only touch at an edge count as overlapping.
    constexpr bool touchesOrOverlaps(const CRect& r) const
    {
        return left <= r.right && r.left <= right && top <= r.bottom && r.top <= bottom;
    }

    constexpr bool operator==(const CRect& r) const
    {
        return left == r.left && top == r.top && right == r.right && bottom == r.bottom;
    }
    constexpr bool operator!=(const CRect& r) const { return !(*this == r); }
};
