#include "gui/CDrawContext.h"

#include "gui/CFontDesc.h"
#include "gui/CFrame.h"
#include "gui/GDIPlusGlobals.h"
#include "gui/PixelMath.h"
#include "gui/RepaintCache.h"

#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{
Gdiplus::Color toGdiplus(CColor color)
{
    return Gdiplus::Color(Gdiplus::ARGB(color.toARGB()));
}

// Polygons up to this many points are converted without a heap allocation.
constexpr int32_t kLocalPolygonPoints = 30;

// Lines collected before they are drawn, at most (a bound on the memory and the grouping work).
constexpr size_t kMaxPendingLines = 4096;
} // namespace

CDrawContext::CDrawContext(CFrame* frame, HDC systemContext, HWND window)
    : systemContext(systemContext), window(window), frame(frame)
{
    // Every context keeps GDI+ running while it lives: its pen and brushes are GDI+ objects,
    // and an off-screen context may exist without any frame.
    GDIPlusGlobals::enter();
    clipRect = frame ? frame->getViewSize() : CRect(0, 0, 1000, 1000);

    if (!this->systemContext && window)
    {
        this->systemContext = GetDC(window);
        ownsSystemContext = this->systemContext != nullptr;
    }
    if (this->systemContext)
    {
        adoptGraphics(new Gdiplus::Graphics(this->systemContext));
        if (graphics) graphics->SetPixelOffsetMode(Gdiplus::PixelOffsetModeNone);
    }

    pen = new Gdiplus::Pen(Gdiplus::Color(255, 0, 0, 0), 1.0f);
    fillBrush = new Gdiplus::SolidBrush(Gdiplus::Color(255, 0, 0, 0));
    fontBrush = new Gdiplus::SolidBrush(Gdiplus::Color(255, 0, 0, 0));

    if (window)
    {
        RECT r{};
        if (GetWindowRect(window, &r)) offsetScreen = CPoint(r.left, r.top);
    }

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
    delete paintLog;
    if (font) font->forget();
    delete fontBrush;
    delete fillBrush;
    delete pen;
    releaseGraphics();
    if (ownsSystemContext) ReleaseDC(window, systemContext);
    GDIPlusGlobals::exit();
}

void CDrawContext::adoptGraphics(Gdiplus::Graphics* newGraphics)
{
    if (newGraphics && newGraphics->GetLastStatus() != Gdiplus::Ok)
    {
        delete newGraphics; // e.g. GDI+ could not start, or the target is unusable
        newGraphics = nullptr;
    }
    graphics = newGraphics;
    if (!graphics) return;
    graphics->SetInterpolationMode(Gdiplus::InterpolationModeLowQuality);
    graphics->SetPageUnit(Gdiplus::UnitPixel);
}

void CDrawContext::releaseGraphics()
{
    flushLines();
    delete graphics;
    graphics = nullptr;
}

void CDrawContext::setLineWidth(double width)
{
    flushLines();
    lineWidth = width;
    if (pen) pen->SetWidth(toReal(width));
}

void CDrawContext::setLineStyle(int32_t style)
{
    if (style == lineStyle) return;
    flushLines();
    lineStyle = style;
    if (pen)
        pen->SetDashStyle(style == kLineOnOffDash ? Gdiplus::DashStyleDot
                                                  : Gdiplus::DashStyleSolid);
}

void CDrawContext::setDrawMode(int32_t mode)
{
    if (mode == drawMode) return;
    flushLines();
    drawMode = mode;
    if (graphics)
        graphics->SetSmoothingMode(mode == kAntialias ? Gdiplus::SmoothingModeAntiAlias
                                                      : Gdiplus::SmoothingModeNone);
}

void CDrawContext::setFrameColor(CColor color)
{
    if (color == frameColor) return;
    flushLines();
    frameColor = color;
    if (pen) pen->SetColor(toGdiplus(color));
}

void CDrawContext::setFillColor(CColor color)
{
    if (color == fillColor) return;
    fillColor = color;
    if (fillBrush) fillBrush->SetColor(toGdiplus(color));
}

void CDrawContext::setFontColor(CColor color)
{
    fontColor = color;
    if (fontBrush) fontBrush->SetColor(toGdiplus(color));
}

void CDrawContext::setClipRect(const CRect& clip)
{
    CRect shifted = clip;
    shifted.offset(offset);
    if (shifted == clipRect) return;
    flushLines();
    clipRect = shifted;
    if (graphics)
    {
        const int32_t x = truncatePixel(clipRect.left);
        const int32_t y = truncatePixel(clipRect.top);
        const int32_t w = truncatePixel(clipRect.right - clipRect.left);
        const int32_t h = truncatePixel(clipRect.bottom - clipRect.top);
        graphics->SetClip(Gdiplus::Rect(x, y, w, h), Gdiplus::CombineModeReplace);
        clipApplied = true;
    }
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
    if (graphics && pen)
    {
        if (pendingLines.size() >= kMaxPendingLines) flushLines();
        const PendingLine line{truncatePixel(penLocation.x), truncatePixel(penLocation.y),
                               truncatePixel(to.x), truncatePixel(to.y)};
        pendingLines.push_back(line);
        if (paintLog)
        {
            PaintDescription op;
            op << 'L' << line.x0 << line.y0 << line.x1 << line.y1;
            noteDrawing(lineReach(line.x0, line.y0, line.x1, line.y1, lineWidth), op);
        }
    }
    penLocation = to;
}

void CDrawContext::flushLines() const
{
    if (pendingLines.empty()) return;
    if (!graphics || !pen)
    {
        pendingLines.clear();
        return;
    }
    const size_t count = pendingLines.size();
    if (count == 1)
    {
        const PendingLine& l = pendingLines.front();
        graphics->DrawLine(pen, l.x0, l.y0, l.x1, l.y1);
        pendingLines.clear();
        return;
    }

    // Each segment's box, widened by half the pen (at least a pixel, for smoothed edges):
    // segments whose boxes do not meet cannot share a pixel.
    const double halfWidth =
        std::isfinite(lineWidth) ? std::min(std::fabs(lineWidth), 1000.0) * 0.5 : 500.0;
    const int32_t margin = std::max(1, int32_t(std::ceil(halfWidth)));
    struct Box
    {
        int32_t left, top, right, bottom;
        bool meets(const Box& o) const
        {
            return left <= o.right && o.left <= right && top <= o.bottom && o.top <= bottom;
        }
    };
    std::vector<Box> boxes(count);
    for (size_t i = 0; i < count; ++i)
    {
        const PendingLine& l = pendingLines[i];
        boxes[i] = {std::min(l.x0, l.x1) - margin, std::min(l.y0, l.y1) - margin,
                    std::max(l.x0, l.x1) + margin, std::max(l.y0, l.y1) + margin};
    }
    // First fit: each segment joins the first group none of whose segments it meets. All the
    // segments share one pen: a pixel that two of them cover (in two groups) is blended twice
    // with the same colour, which gives the same result in either order. (With smoothing that
    // really antialiases, two coverages may meet in the other order, a rounding step apart.)
    std::vector<std::vector<size_t>> groups;
    for (size_t i = 0; i < count; ++i)
    {
        bool placed = false;
        for (std::vector<size_t>& group : groups)
        {
            bool apart = true;
            // The latest members come first: a curve's neighbours are its recent segments.
            for (auto it = group.rbegin(); it != group.rend() && apart; ++it)
                apart = !boxes[i].meets(boxes[*it]);
            if (apart)
            {
                group.push_back(i);
                placed = true;
                break;
            }
        }
        if (!placed) groups.push_back({i});
    }
    for (const std::vector<size_t>& group : groups)
    {
        if (group.size() == 1)
        {
            const PendingLine& l = pendingLines[group.front()];
            graphics->DrawLine(pen, l.x0, l.y0, l.x1, l.y1);
            continue;
        }
        // One open figure per segment, as a single line call makes it.
        Gdiplus::GraphicsPath path;
        for (size_t i : group)
        {
            const PendingLine& l = pendingLines[i];
            path.StartFigure();
            path.AddLine(INT(l.x0), INT(l.y0), INT(l.x1), INT(l.y1));
        }
        graphics->DrawPath(pen, &path);
    }
    pendingLines.clear();
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
    Gdiplus::PointF local[kLocalPolygonPoints];
    std::vector<Gdiplus::PointF> heap;
    Gdiplus::PointF* converted = local;
    if (numberOfPoints > kLocalPolygonPoints)
    {
        heap.resize(size_t(numberOfPoints));
        converted = heap.data();
    }
    for (int32_t i = 0; i < numberOfPoints; ++i)
        converted[i] =
            Gdiplus::PointF(toReal(points[i].x + offset.x), toReal(points[i].y + offset.y));
    if (paintLog)
    {
        // Mitred corners reach far past the points: up to the mitre limit (10) times the pen.
        PaintDescription op;
        op << 'P' << drawStyle << closed << numberOfPoints;
        double left = converted[0].X, top = converted[0].Y, right = left, bottom = top;
        for (int32_t i = 0; i < numberOfPoints; ++i)
        {
            op << converted[i].X << converted[i].Y;
            left = std::min(left, double(converted[i].X));
            right = std::max(right, double(converted[i].X));
            top = std::min(top, double(converted[i].Y));
            bottom = std::max(bottom, double(converted[i].Y));
        }
        noteDrawing(reachAround(left, top, right, bottom, 10.0 * std::fabs(lineWidth)), op);
    }

    if (isFilledStyle(drawStyle))
        graphics->FillPolygon(fillBrush, converted, numberOfPoints, Gdiplus::FillModeAlternate);
    if (isStrokedStyle(drawStyle))
    {
        if (closed)
            graphics->DrawPolygon(pen, converted, numberOfPoints);
        else
            graphics->DrawLines(pen, converted, numberOfPoints);
    }
}

void CDrawContext::drawRect(const CRect& rect, int32_t drawStyle)
{
    if (!graphics) return;
    flushLines();
    CRect r = rect;
    r.offset(offset).normalize();
    const float x = toReal(r.left), y = toReal(r.top);
    const float w = toReal(r.right) - x, h = toReal(r.bottom) - y;
    if (paintLog)
    {
        PaintDescription op;
        op << 'R' << drawStyle << x << y << w << h;
        noteDrawing(reachAround(x, y, double(x) + w, double(y) + h, std::fabs(lineWidth)), op);
    }
    if (isFilledStyle(drawStyle)) graphics->FillRectangle(fillBrush, x, y, w, h);
    if (isStrokedStyle(drawStyle)) graphics->DrawRectangle(pen, x, y, w - 1.0f, h - 1.0f);
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
    if (paintLog)
    {
        PaintDescription op;
        op << 'E' << drawStyle << x << y << w << h;
        noteDrawing(reachAround(x, y, double(x) + w, double(y) + h, std::fabs(lineWidth)), op);
    }
    if (isFilledStyle(drawStyle)) graphics->FillEllipse(fillBrush, x, y, w - 1, h - 1);
    if (isStrokedStyle(drawStyle)) graphics->DrawEllipse(pen, x, y, w - 1, h - 1);
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
    Gdiplus::GraphicsPath path;
    path.AddArc(
        Gdiplus::RectF(toReal(r.left), toReal(r.top), toReal(r.getWidth()), toReal(r.getHeight())),
        startAngle, sweep);
    if (paintLog)
    {
        PaintDescription op;
        op << 'A' << drawStyle << toReal(r.left) << toReal(r.top) << toReal(r.getWidth())
           << toReal(r.getHeight()) << startAngle << sweep;
        noteDrawing(reachAround(r.left, r.top, r.right, r.bottom, std::fabs(lineWidth)), op);
    }
    if (isFilledStyle(drawStyle)) graphics->FillPath(fillBrush, &path);
    if (isStrokedStyle(drawStyle)) graphics->DrawPath(pen, &path);
}

void CDrawContext::drawPoint(const CPoint& point, CColor color)
{
    flushLines();
    const double previousWidth = lineWidth;
    const CColor previousColor = frameColor;
    if (lineWidth != 1.0) setLineWidth(1.0);
    setFrameColor(color);
    if (graphics && pen)
    {
        const int32_t x = truncatePixel(point.x + offset.x);
        const int32_t y = truncatePixel(point.y + offset.y);
        if (paintLog)
        {
            PaintDescription op;
            op << 'D' << x << y;
            noteDrawing(lineReach(x, y, x + 1, y, 1.0), op);
        }
        graphics->DrawLine(pen, x, y, x + 1, y);
    }
    setFrameColor(previousColor);
    if (previousWidth != 1.0) setLineWidth(previousWidth);
}

CColor CDrawContext::getPoint(const CPoint&) const
{
    return kBlackCColor;
}

void CDrawContext::getMouseLocation(CPoint& point) const
{
    POINT cursor{};
    GetCursorPos(&cursor);
    point = CPoint(cursor.x - offsetScreen.x, cursor.y - offsetScreen.y);
}
