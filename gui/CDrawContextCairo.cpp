// CDrawContext over cairo (Linux): the drawing library's half of the context. The state rules and
// the geometry are CDrawContext.cpp's, the same as with GDI+; cairo reads the state at each
// drawing, so there are no pen or brush objects to keep up to date.
//
// Geometry follows the GDI+ context's pixel model, in which integer coordinates name pixel
// centres: cairo names pixel edges, so every path is shifted by half a pixel. A one-pixel line
// from (10, 5) to (20, 5) then covers pixels 10..19 of row 5, and the outline of 10, 10, 20, 20
// covers the same pixels as its fill. Without antialiasing cairo samples pixel centres, which
// gives the hard edges of GDI+'s unsmoothed drawing.
#include "gui/CDrawContext.h"

#include "gui/CFrame.h"
#include "gui/PixelMath.h"

#include <X11/Xlib.h>

#include <cmath>

namespace
{
constexpr double kHalfPixel = 0.5;
constexpr double kPi = 3.14159265358979323846;

void setSource(cairo_t* cr, CColor color)
{
    cairo_set_source_rgba(cr, color.red / 255.0, color.green / 255.0, color.blue / 255.0,
                          color.alpha / 255.0);
}

// The parametric angle (radians) of the point that a ray at `degrees` from the centre meets on
// an ellipse with radii rx, ry: GDI+ measures arc angles on the ellipse itself.
double ellipseParameter(double degrees, double rx, double ry)
{
    const double a = degrees * kPi / 180.0;
    if (rx <= 0.0 || ry <= 0.0) return a;
    // atan2 keeps the quadrant; whole turns are added back so sweeps beyond 360 survive.
    const double turns = std::floor(a / (2.0 * kPi));
    const double reduced = a - turns * 2.0 * kPi;
    double t = std::atan2(rx * std::sin(reduced), ry * std::cos(reduced));
    if (t < 0.0) t += 2.0 * kPi;
    return t + turns * 2.0 * kPi;
}

// Strokes the current path with the context's pen: colour, width and dash of the frame colour,
// line width and line style.
void strokeWithPen(cairo_t* cr, CColor color, double width, int32_t style)
{
    setSource(cr, color);
    const double w = std::isfinite(width) ? std::fabs(width) : 1.0;
    cairo_set_line_width(cr, w);
    if (style == kLineOnOffDash)
    {
        // GDI+'s dot style: dashes and gaps as long as the pen is wide.
        const double dash[2] = {w > 0.0 ? w : 1.0, w > 0.0 ? w : 1.0};
        cairo_set_dash(cr, dash, 2, 0.0);
    }
    else
        cairo_set_dash(cr, nullptr, 0, 0.0);
    cairo_stroke(cr);
}
} // namespace

void CDrawContext::openPlatform()
{
    if (!this->systemContext && window && frame)
    {
        windowSurface = frame->makeWindowSurface();
        if (windowSurface)
        {
            this->systemContext = cairo_create(windowSurface);
            ownsSystemContext = true;
        }
    }
    if (this->systemContext) adoptGraphics(cairo_reference(this->systemContext));

    if (window && frame && frame->getDisplay())
    {
        Display* display = frame->getDisplay();
        int x = 0, y = 0;
        ::Window child = 0;
        if (XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y,
                                  &child))
            offsetScreen = CPoint(x, y);
    }
}

void CDrawContext::closePlatform()
{
    releaseGraphics();
    if (ownsSystemContext) cairo_destroy(systemContext);
    if (windowSurface) cairo_surface_destroy(windowSurface);
}

void CDrawContext::adoptGraphics(PlatformGraphics* newGraphics)
{
    if (newGraphics && cairo_status(newGraphics) != CAIRO_STATUS_SUCCESS)
    {
        cairo_destroy(newGraphics); // e.g. no memory for the target
        newGraphics = nullptr;
    }
    graphics = newGraphics;
    if (!graphics) return;
    // A new GDI+ graphics draws unsmoothed; cairo's default is antialiased.
    cairo_set_antialias(graphics,
                        drawMode == kAntialias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    cairo_set_line_cap(graphics, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(graphics, CAIRO_LINE_JOIN_MITER);
    cairo_set_fill_rule(graphics, CAIRO_FILL_RULE_EVEN_ODD);
}

void CDrawContext::releaseGraphics()
{
    flushLines();
    if (graphics) cairo_destroy(graphics);
    graphics = nullptr;
}

PlatformGraphics* CDrawContext::makeGraphics(PlatformBitmap* pixels)
{
    return cairo_create(pixels);
}

bool CDrawContext::hasPen() const
{
    return true; // the pen is the context's state, applied at each stroke
}

void CDrawContext::applyLineWidth() {}

void CDrawContext::applyLineStyle() {}

void CDrawContext::applyDrawMode()
{
    cairo_set_antialias(graphics,
                        drawMode == kAntialias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
}

void CDrawContext::applyFrameColor() {}

void CDrawContext::applyFillColor() {}

void CDrawContext::applyFontColor() {}

void CDrawContext::applyClip(int32_t x, int32_t y, int32_t w, int32_t h)
{
    cairo_reset_clip(graphics);
    cairo_rectangle(graphics, x, y, w > 0 ? w : 0, h > 0 ? h : 0);
    cairo_clip(graphics);
}

void CDrawContext::flushLines() const
{
    if (pendingLines.empty()) return;
    if (!graphics)
    {
        pendingLines.clear();
        return;
    }
    // Each segment is stroked on its own, as the single line calls do: one path of many
    // segments would draw the pixels where they touch once instead of twice, which shows with
    // colours that are not opaque.
    for (const PendingLine& l : pendingLines)
    {
        cairo_move_to(graphics, l.x0 + kHalfPixel, l.y0 + kHalfPixel);
        cairo_line_to(graphics, l.x1 + kHalfPixel, l.y1 + kHalfPixel);
        strokeWithPen(graphics, frameColor, lineWidth, lineStyle);
    }
    pendingLines.clear();
}

void CDrawContext::drawPolygonAt(const SurfacePoint* converted, int32_t numberOfPoints,
                                 int32_t drawStyle, bool closed)
{
    auto trace = [&](bool close)
    {
        cairo_new_path(graphics);
        for (int32_t i = 0; i < numberOfPoints; ++i)
            cairo_line_to(graphics, converted[i].x + kHalfPixel, converted[i].y + kHalfPixel);
        if (close) cairo_close_path(graphics);
    };
    if (isFilledStyle(drawStyle))
    {
        trace(true);
        setSource(graphics, fillColor);
        cairo_fill(graphics);
    }
    if (isStrokedStyle(drawStyle))
    {
        trace(closed);
        strokeWithPen(graphics, frameColor, lineWidth, lineStyle);
    }
}

void CDrawContext::drawRectAt(float x, float y, float w, float h, int32_t drawStyle)
{
    if (isFilledStyle(drawStyle))
    {
        // A fill covers the pixels whose centres it contains: x .. x + w - 1 for integers.
        cairo_rectangle(graphics, x, y, w, h);
        setSource(graphics, fillColor);
        cairo_fill(graphics);
    }
    if (isStrokedStyle(drawStyle))
    {
        cairo_rectangle(graphics, x + kHalfPixel, y + kHalfPixel, w - 1.0f, h - 1.0f);
        strokeWithPen(graphics, frameColor, lineWidth, lineStyle);
    }
}

void CDrawContext::drawEllipseAt(int32_t x, int32_t y, int32_t w, int32_t h, int32_t drawStyle)
{
    const double rx = (w - 1) * 0.5, ry = (h - 1) * 0.5;
    auto trace = [&]
    {
        cairo_new_path(graphics);
        if (rx <= 0.0 || ry <= 0.0) return;
        cairo_save(graphics);
        cairo_translate(graphics, x + rx + kHalfPixel, y + ry + kHalfPixel);
        cairo_scale(graphics, rx, ry);
        cairo_arc(graphics, 0.0, 0.0, 1.0, 0.0, 2.0 * kPi);
        cairo_restore(graphics);
    };
    if (isFilledStyle(drawStyle))
    {
        trace();
        setSource(graphics, fillColor);
        cairo_fill(graphics);
    }
    if (isStrokedStyle(drawStyle))
    {
        trace();
        strokeWithPen(graphics, frameColor, lineWidth, lineStyle);
    }
}

void CDrawContext::drawArcAt(const CRect& r, float startAngle, float sweep, int32_t drawStyle)
{
    const double rx = std::fabs(toReal(r.getWidth())) * 0.5;
    const double ry = std::fabs(toReal(r.getHeight())) * 0.5;
    const double cx = toReal(r.left) + toReal(r.getWidth()) * 0.5 + kHalfPixel;
    const double cy = toReal(r.top) + toReal(r.getHeight()) * 0.5 + kHalfPixel;
    const double from = ellipseParameter(startAngle, rx, ry);
    const double to = ellipseParameter(double(startAngle) + sweep, rx, ry);
    auto trace = [&]
    {
        cairo_new_path(graphics);
        if (rx <= 0.0 || ry <= 0.0) return;
        cairo_save(graphics);
        cairo_translate(graphics, cx, cy);
        cairo_scale(graphics, rx, ry);
        cairo_arc(graphics, 0.0, 0.0, 1.0, from, to < from ? from : to);
        cairo_restore(graphics);
    };
    if (isFilledStyle(drawStyle))
    {
        trace();
        setSource(graphics, fillColor);
        cairo_fill(graphics); // closed by the chord, as a filled open figure is
    }
    if (isStrokedStyle(drawStyle))
    {
        trace();
        strokeWithPen(graphics, frameColor, lineWidth, lineStyle);
    }
}

void CDrawContext::drawPixelAt(int32_t x, int32_t y)
{
    cairo_move_to(graphics, x + kHalfPixel, y + kHalfPixel);
    cairo_line_to(graphics, x + 1 + kHalfPixel, y + kHalfPixel);
    strokeWithPen(graphics, frameColor, 1.0, kLineSolid);
}

void CDrawContext::getMouseLocation(CPoint& point) const
{
    Display* display = frame ? frame->getDisplay() : nullptr;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned int mask = 0;
    ::Window root = 0, child = 0;
    if (display)
        XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &x, &y,
                      &mask);
    point = CPoint(rootX - offsetScreen.x, rootY - offsetScreen.y);
}
