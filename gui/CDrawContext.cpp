// CDrawContext: the state rules and the geometry of the drawing operations, the same on every
// platform. Every coordinate gets the offset, rectangles are normalised, curves too large to
// draw are skipped, and a state change that matches the current state is skipped; the platform
// files (CDrawContextGdiplus.cpp, CDrawContextCairo.cpp) apply the state to their drawing
// library and put the shapes on the surface.
#include "gui/CDrawContext.h"

#include "gui/CFontDesc.h"
#include "gui/CFrame.h"
#include "gui/DrawingSession.h"
#include "gui/PixelMath.h"

#include <cmath>
#include <vector>

namespace
{
// Polygons up to this many points are converted without a heap allocation.
constexpr int32_t kLocalPolygonPoints = 30;

// Lines collected before they are drawn, at most (a bound on the memory and the grouping work).
constexpr size_t kMaxPendingLines = 4096;
} // namespace

CDrawContext::CDrawContext(CFrame* frame, PlatformDeviceContext systemContext,
                           PlatformWindow window)
    : systemContext(systemContext), window(window), frame(frame)
{
    // Every context keeps the drawing session open while it lives: its pen and brushes are
    // GDI+ objects, its fonts the session's, and an off-screen context may exist without any
    // frame.
    DrawingSession::enter();
    clipRect = frame ? frame->getViewSize() : CRect(0, 0, 1000, 1000);
    openPlatform();

    setFrameColor(kWhiteCColor);
    setLineStyle(kLineSolid);
    if (lineWidth != 1.0) setLineWidth(1.0);
    setFillColor(kBlackCColor);
    setFontColor(kWhiteCColor);
    setFont(kSystemFont, 0, -1);
    setDrawMode(kCopyMode);
}

CDrawContext::~CDrawContext()
{
    flushLines();
    if (font) font->forget();
    closePlatform();
    DrawingSession::exit();
}

void CDrawContext::setLineWidth(double width)
{
    flushLines();
    lineWidth = width;
    applyLineWidth();
}

void CDrawContext::setLineStyle(int32_t style)
{
    if (style == lineStyle) return;
    flushLines();
    lineStyle = style;
    applyLineStyle();
}

void CDrawContext::setDrawMode(int32_t mode)
{
    if (mode == drawMode) return;
    flushLines();
    drawMode = mode;
    if (graphics) applyDrawMode();
}

void CDrawContext::setFrameColor(CColor color)
{
    if (color == frameColor) return;
    flushLines();
    frameColor = color;
    applyFrameColor();
}

void CDrawContext::setFillColor(CColor color)
{
    if (color == fillColor) return;
    fillColor = color;
    applyFillColor();
}

void CDrawContext::setFontColor(CColor color)
{
    fontColor = color;
    applyFontColor();
}

void CDrawContext::setClipRect(const CRect& clip)
{
    CRect shifted = clip;
    shifted.offset(offset);
    if (shifted == clipRect) return;
    flushLines();
    clipRect = shifted;
    if (graphics)
        applyClip(truncatePixel(clipRect.left), truncatePixel(clipRect.top),
                  truncatePixel(clipRect.right - clipRect.left),
                  truncatePixel(clipRect.bottom - clipRect.top));
}

CRect CDrawContext::getClipRect() const
{
    CRect clip = clipRect;
    clip.offset(-offset.x, -offset.y);
    return clip;
}

CRect& CDrawContext::getClipRect(CRect& clip) const
{
    clip = getClipRect();
    return clip;
}

void CDrawContext::resetClipRect()
{
    const CRect whole = frame ? frame->getViewSize() : CRect(0, 0, 1000, 1000);
    setClipRect(CRect(whole).offset(-offset.x, -offset.y));
}

void CDrawContext::moveTo(const CPoint& point)
{
    penLocation = point + offset;
}

void CDrawContext::lineTo(const CPoint& point)
{
    const CPoint to = point + offset;
    if (graphics && hasPen())
    {
        if (pendingLines.size() >= kMaxPendingLines) flushLines();
        const PendingLine line{truncatePixel(penLocation.x), truncatePixel(penLocation.y),
                               truncatePixel(to.x), truncatePixel(to.y)};
        pendingLines.push_back(line);
    }
    penLocation = to;
}

void CDrawContext::drawLines(const CPoint* points, int32_t numberOfLines)
{
    if (!points) return;
    for (int32_t i = 0; i < numberOfLines; ++i)
    {
        moveTo(points[2 * i]);
        lineTo(points[2 * i + 1]);
    }
}

void CDrawContext::drawPolygon(const CPoint* points, int32_t numberOfPoints, int32_t drawStyle,
                               bool closed)
{
    if (!points || numberOfPoints <= 0 || !graphics) return;
    flushLines();
    SurfacePoint local[kLocalPolygonPoints];
    std::vector<SurfacePoint> heap;
    SurfacePoint* converted = local;
    if (numberOfPoints > kLocalPolygonPoints)
    {
        heap.resize(size_t(numberOfPoints));
        converted = heap.data();
    }
    for (int32_t i = 0; i < numberOfPoints; ++i)
        converted[i] = {toReal(points[i].x + offset.x), toReal(points[i].y + offset.y)};
    drawPolygonAt(converted, numberOfPoints, drawStyle, closed);
}

void CDrawContext::drawRect(const CRect& rect, int32_t drawStyle)
{
    if (!graphics) return;
    flushLines();
    CRect r = rect;
    r.offset(offset).normalize();
    const float x = toReal(r.left), y = toReal(r.top);
    drawRectAt(x, y, toReal(r.right) - x, toReal(r.bottom) - y, drawStyle);
}

void CDrawContext::drawEllipse(const CRect& rect, int32_t drawStyle)
{
    if (!graphics) return;
    flushLines();
    CRect r = rect;
    r.offset(offset).normalize();
    const int32_t x = truncatePixel(r.left), y = truncatePixel(r.top);
    const int32_t w = truncatePixel(r.right) - x, h = truncatePixel(r.bottom) - y;
    if (!isDrawableCurve(double(w), double(h))) return;
    drawEllipseAt(x, y, w, h, drawStyle);
}

void CDrawContext::drawArc(const CRect& rect, float startAngle, float endAngle, int32_t drawStyle)
{
    if (!graphics) return;
    flushLines();
    CRect r = rect;
    r.offset(offset);
    if (!isDrawableCurve(clampPixel(r.getWidth()), clampPixel(r.getHeight()))) return;
    const float sweep =
        std::fabs((endAngle < startAngle ? endAngle + 360.0f : endAngle) - startAngle);
    drawArcAt(r, startAngle, sweep, drawStyle);
}

void CDrawContext::drawPoint(const CPoint& point, CColor color)
{
    flushLines();
    const double previousWidth = lineWidth;
    const CColor previousColor = frameColor;
    if (lineWidth != 1.0) setLineWidth(1.0);
    setFrameColor(color);
    if (graphics && hasPen())
        drawPixelAt(truncatePixel(point.x + offset.x), truncatePixel(point.y + offset.y));
    setFrameColor(previousColor);
    if (previousWidth != 1.0) setLineWidth(previousWidth);
}

CColor CDrawContext::getPoint(const CPoint&) const
{
    return kBlackCColor;
}
