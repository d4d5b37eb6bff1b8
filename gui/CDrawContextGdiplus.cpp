// CDrawContext over GDI+ (Windows): the drawing library's half of the context. The pen and the
// two brushes carry the context's state; every shape is noted in the paint log when one is kept
// (see CDrawContextRepeat.cpp). Collecting and grouping the lines is CDrawContextGdiplusLines.cpp.
#include "gui/CDrawContext.h"

#include "gui/CFrame.h"
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
} // namespace

void CDrawContext::openPlatform()
{
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
}

void CDrawContext::closePlatform()
{
    delete paintLog;
    paintLog = nullptr;
    delete fontBrush;
    delete fillBrush;
    delete pen;
    releaseGraphics();
    if (ownsSystemContext) ReleaseDC(window, systemContext);
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

PlatformGraphics* CDrawContext::makeGraphics(PlatformBitmap* pixels)
{
    return new Gdiplus::Graphics(pixels);
}

bool CDrawContext::hasPen() const
{
    return pen != nullptr;
}

void CDrawContext::applyLineWidth()
{
    if (pen) pen->SetWidth(toReal(lineWidth));
}

void CDrawContext::applyLineStyle()
{
    if (pen)
        pen->SetDashStyle(lineStyle == kLineOnOffDash ? Gdiplus::DashStyleDot
                                                      : Gdiplus::DashStyleSolid);
}

void CDrawContext::applyDrawMode()
{
    graphics->SetSmoothingMode(drawMode == kAntialias ? Gdiplus::SmoothingModeAntiAlias
                                                      : Gdiplus::SmoothingModeNone);
}

void CDrawContext::applyFrameColor()
{
    if (pen) pen->SetColor(toGdiplus(frameColor));
}

void CDrawContext::applyFillColor()
{
    if (fillBrush) fillBrush->SetColor(toGdiplus(fillColor));
}

void CDrawContext::applyFontColor()
{
    if (fontBrush) fontBrush->SetColor(toGdiplus(fontColor));
}

void CDrawContext::applyClip(int32_t x, int32_t y, int32_t w, int32_t h)
{
    graphics->SetClip(Gdiplus::Rect(x, y, w, h), Gdiplus::CombineModeReplace);
    clipApplied = true;
}

void CDrawContext::drawPolygonAt(const SurfacePoint* points, int32_t numberOfPoints,
                                 int32_t drawStyle, bool closed)
{
    Gdiplus::PointF local[kLocalPolygonPoints];
    std::vector<Gdiplus::PointF> heap;
    Gdiplus::PointF* converted = local;
    if (numberOfPoints > kLocalPolygonPoints)
    {
        heap.resize(size_t(numberOfPoints));
        converted = heap.data();
    }
    for (int32_t i = 0; i < numberOfPoints; ++i)
        converted[i] = Gdiplus::PointF(points[i].x, points[i].y);
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

void CDrawContext::drawRectAt(float x, float y, float w, float h, int32_t drawStyle)
{
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

void CDrawContext::drawEllipseAt(int32_t x, int32_t y, int32_t w, int32_t h, int32_t drawStyle)
{
    if (paintLog)
    {
        PaintDescription op;
        op << 'E' << drawStyle << x << y << w << h;
        noteDrawing(reachAround(x, y, double(x) + w, double(y) + h, std::fabs(lineWidth)), op);
    }
    if (isFilledStyle(drawStyle)) graphics->FillEllipse(fillBrush, x, y, w - 1, h - 1);
    if (isStrokedStyle(drawStyle)) graphics->DrawEllipse(pen, x, y, w - 1, h - 1);
}

void CDrawContext::drawArcAt(const CRect& r, float startAngle, float sweep, int32_t drawStyle)
{
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

void CDrawContext::drawPixelAt(int32_t x, int32_t y)
{
    if (paintLog)
    {
        PaintDescription op;
        op << 'D' << x << y;
        noteDrawing(lineReach(x, y, x + 1, y, 1.0), op);
    }
    graphics->DrawLine(pen, x, y, x + 1, y);
}

void CDrawContext::getMouseLocation(CPoint& point) const
{
    POINT cursor{};
    GetCursorPos(&cursor);
    point = CPoint(cursor.x - offsetScreen.x, cursor.y - offsetScreen.y);
}
