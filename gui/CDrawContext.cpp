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

// What one more line call costs, in pixels of bounding box drawn: a half-opaque pen costs about
// 0.09 ms a call and 19 ns a pixel of its box under Wine. Runs longer than kLongestRun segments
// are not weighed (a bound on the work of cutting).
constexpr double kCallCostInPixels = 4700.0;
constexpr size_t kLongestRun = 256;
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
        drawLineRun(pendingLines.data(), nullptr, 1);
        pendingLines.clear();
        return;
    }

    // Each segment's pixels, widened by what the pen adds: a pen reaches half its width past
    // the segment, and a pixel is touched only when that reaches past the pixel's edge, half a
    // pixel away. A pen of one pixel or less (the graph's) stays within the pixels between the
    // segment's ends, even smoothed: a curve's every other segment can share a group.
    const double halfWidth =
        std::isfinite(lineWidth) ? std::min(std::fabs(lineWidth), 1000.0) * 0.5 : 500.0;
    const int32_t margin = std::max(0, int32_t(std::ceil(halfWidth - 0.5)));
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
    // A group is drawn in runs of consecutive members, cut where drawing the whole costs more
    // than another call: a half-opaque pen is drawn in software over the run's bounding box,
    // so a wavy curve across the graph is cheaper in a few narrower runs (the runs of a group
    // stay apart from each other, so the pixels are the same however it is cut).
    std::vector<double> best;
    std::vector<size_t> cut;
    // An opaque pen is drawn by the system's own line drawing, whatever its box: never cut.
    const double callCost = frameColor.alpha == 255 ? 1e300 : kCallCostInPixels;
    for (const std::vector<size_t>& group : groups)
    {
        const size_t n = group.size();
        best.assign(n + 1, 0.0);
        cut.assign(n + 1, 0);
        for (size_t j = 1; j <= n; ++j)
        {
            best[j] = -1.0;
            int32_t left = INT32_MAX, top = INT32_MAX, right = INT32_MIN, bottom = INT32_MIN;
            const size_t first = j > kLongestRun ? j - kLongestRun : 0;
            for (size_t i = j; i-- > first;)
            {
                const PendingLine& l = pendingLines[group[i]];
                left = std::min({left, l.x0, l.x1});
                right = std::max({right, l.x0, l.x1});
                top = std::min({top, l.y0, l.y1});
                bottom = std::max({bottom, l.y0, l.y1});
                const double area = (double(right) - left + 1.0) * (double(bottom) - top + 1.0);
                const double cost = best[i] + callCost + area;
                if (best[j] < 0.0 || cost < best[j])
                {
                    best[j] = cost;
                    cut[j] = i;
                }
            }
        }
        for (size_t end = n; end > 0;)
        {
            const size_t begin = cut[end];
            drawLineRun(pendingLines.data(), group.data() + begin, end - begin);
            end = begin;
        }
    }
    pendingLines.clear();
}

void CDrawContext::drawLineRun(const PendingLine* lines, const size_t* members, size_t count) const
{
    auto line = [&](size_t k) -> const PendingLine& { return lines[members ? members[k] : k]; };
    auto draw = [&](Gdiplus::Graphics& g)
    {
        if (count == 1)
        {
            const PendingLine& l = line(0);
            g.DrawLine(pen, l.x0, l.y0, l.x1, l.y1);
            return;
        }
        // One open figure per segment, as a single line call makes it.
        Gdiplus::GraphicsPath path;
        for (size_t k = 0; k < count; ++k)
        {
            const PendingLine& l = line(k);
            path.StartFigure();
            path.AddLine(INT(l.x0), INT(l.y0), INT(l.x1), INT(l.y1));
        }
        g.DrawPath(pen, &path);
    };
    if (!paintLog)
    {
        draw(*graphics);
        return;
    }
    // A run of the graph's curve is mostly what the last frame drew: a half-opaque pen (drawn
    // in software) is kept; an opaque one costs less to draw again than to keep.
    PaintDescription op;
    op << 'L' << uint64_t(count);
    int32_t left = INT32_MAX, top = INT32_MAX, right = INT32_MIN, bottom = INT32_MIN;
    for (size_t k = 0; k < count; ++k)
    {
        const PendingLine& l = line(k);
        op << l.x0 << l.y0 << l.x1 << l.y1;
        left = std::min({left, l.x0, l.x1});
        right = std::max({right, l.x0, l.x1});
        top = std::min({top, l.y0, l.y1});
        bottom = std::max({bottom, l.y0, l.y1});
    }
    const PaintBox reach = lineReach(left, top, right, bottom, lineWidth);
    drawLogged(reach, {}, op.bytes, draw, frameColor.alpha == 255 ? Keep::never : Keep::exact);
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
    auto draw = [&](Gdiplus::Graphics& g)
    {
        if (isFilledStyle(drawStyle)) g.FillRectangle(fillBrush, x, y, w, h);
        if (isStrokedStyle(drawStyle)) g.DrawRectangle(pen, x, y, w - 1.0f, h - 1.0f);
    };
    if (!paintLog)
    {
        draw(*graphics);
        return;
    }
    // Rectangles recur with the text around them (a switch's box); an opaque fill paints its
    // inside whatever was there (its edge pixels may be smoothed).
    PaintDescription op;
    op << 'R' << drawStyle << x << y << w << h;
    const PaintBox reach = reachAround(x, y, double(x) + w, double(y) + h, std::fabs(lineWidth));
    const PaintBox cover =
        isFilledStyle(drawStyle) && fillColor.alpha == 255 && std::isfinite(double(w) + h)
            ? reachAround(x, y, double(x) + w, double(y) + h, -3.0)
            : PaintBox{};
    drawRepeatable(reach, cover, op.bytes, draw);
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
