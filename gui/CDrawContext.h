#pragma once
// A drawing surface over the platform's drawing library (GDI+ on Windows, cairo on Linux): the
// graphics object plus the current pen, fill, font and clip state. Every coordinate a drawing
// operation receives has `offset` added first; containers shift the offset while their children
// draw, so each view draws in its parent's coordinates.
//
// A context with neither a device context nor a window (and not off-screen) has no graphics:
// drawing does nothing, but colour, width, style and clip changes are still recorded. GDI+
// statuses stay in the GDI+ wrapper objects and are never reported further.
//
// All operations: [UI thread].

#include "gui/CBaseObject.h"
#include "gui/CColor.h"
#include "gui/CPoint.h"
#include "gui/CRect.h"
#include "gui/DrawingCodes.h"
#include "gui/PaintBox.h"
#include "gui/PlatformTypes.h"

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#ifdef _WIN32
namespace Gdiplus
{
class Pen;
class SolidBrush;
} // namespace Gdiplus
#endif

class CFrame;
class CFontDesc;
class CPaintLog;
class CRepaintCache;

class CDrawContext : public CBaseObject
{
  public:
    // Any of the three may be null. With a window but no device context, the context takes
    // the window's device context and gives it back when it is destroyed; a device context or
    // window handed in is only borrowed.
    CDrawContext(CFrame* frame, PlatformDeviceContext systemContext, PlatformWindow window);
    CDrawContext(const CDrawContext&) = delete;
    CDrawContext& operator=(const CDrawContext&) = delete;
    ~CDrawContext() override;

    // --- Pen and fill state -------------------------------------------------------------------
    void setLineWidth(double width);
    double getLineWidth() const { return lineWidth; }
    void setLineStyle(int32_t style); // CLineStyle; skipped when unchanged
    int32_t getLineStyle() const { return lineStyle; }
    void setDrawMode(int32_t mode); // CDrawMode; skipped when unchanged
    int32_t getDrawMode() const { return drawMode; }
    void setFrameColor(CColor color); // lines and outlines; skipped when unchanged
    CColor getFrameColor() const { return frameColor; }
    void setFillColor(CColor color); // skipped when unchanged
    CColor getFillColor() const { return fillColor; }
    void setFontColor(CColor color); // always applied
    CColor getFontColor() const { return fontColor; }

    // --- Clip -----------------------------------------------------------------------------------
    // The clip is given without the offset (as the drawing operations take coordinates) and
    // kept with it; the graphics clip is the integer rectangle, truncated toward zero.
    void setClipRect(const CRect& clip);
    CRect getClipRect() const;
    CRect& getClipRect(CRect& clip) const;
    void resetClipRect(); // the frame's size, or 0, 0, 1000, 1000 without a frame

    // --- Lines and shapes ----------------------------------------------------------------------
    void moveTo(const CPoint& point);
    // Integer end points; moves the pen there. The line reaches the surface with the lines
    // drawn after it in the same pen (see flushLines), before anything else is drawn.
    void lineTo(const CPoint& point);
    // `numberOfLines` pairs of points: from points[2i] to points[2i+1].
    void drawLines(const CPoint* points, int32_t numberOfLines);
    void drawPolygon(const CPoint* points, int32_t numberOfPoints, int32_t drawStyle = kDrawStroked,
                     bool closed = true);
    // Normalised; filled covers w x h pixels, stroked outlines w-1 x h-1 (so the outline of
    // 10,10,20,20 covers pixels 10..19 like the fill does).
    void drawRect(const CRect& rect, int32_t drawStyle = kDrawStroked);
    void drawEllipse(const CRect& rect, int32_t drawStyle = kDrawStroked);
    // Angles in degrees; the sweep runs from start to end, going through 360 when end < start.
    void drawArc(const CRect& rect, float startAngle, float endAngle,
                 int32_t drawStyle = kDrawStroked);
    // One pixel in `color`; the frame colour and line width are left as they were.
    void drawPoint(const CPoint& point, CColor color);
    // Pixels are never read back: always opaque black.
    CColor getPoint(const CPoint& point) const;

    // --- Text (UTF-8) ----------------------------------------------------------------------------
    // Selects `font`; a size <= 0 or a style of -1 keeps the font's own. When both match the
    // font, the context holds the font itself, otherwise a new description with the changes.
    void setFont(CFontDesc* font, int32_t size = 0, int32_t style = -1);
    CFontDesc* getFont() const { return font; }
    // Width in pixels of the string in the current font; -1 without string, font or graphics.
    double getStringWidth(const char* string);
    // `point` names the text's BOTTOM line: the text is drawn with its top at
    // point.y + 1 - font height.
    void drawString(const char* string, const CPoint& point, bool antialias = true);
    // Aligned (CHoriTxtAlign) and vertically centred in `rect`, clipped to it; the clip is
    // restored afterwards.
    void drawStringInRect(const char* string, const CRect& rect, int32_t align = kCenterText,
                          bool antialias = true);
    // As drawStringInRect with antialiasing; `opaque` is ignored.
    void drawString(const char* string, const CRect& rect, int16_t opaque,
                    int32_t align = kCenterText);

    // --- Position
    // ---------------------------------------------------------------------------------- The cursor
    // in window coordinates (screen position minus offsetScreen).
    void getMouseLocation(CPoint& point) const;
    const CPoint& getOffset() const { return offset; }
    void setOffset(const CPoint& newOffset) { offset = newOffset; }
    const CPoint& getOffsetScreen() const { return offsetScreen; }
    void setOffsetScreen(const CPoint& newOffset) { offsetScreen = newOffset; }
    const CPoint& getPenLocation() const { return penLocation; }

    CFrame* getFrame() const { return frame; }
    // The device context and the graphics, for drawing past this context: lines still waiting
    // are drawn first, so that what the caller draws lands above them.
    // Whoever draws there is beyond this context's paint log (see enableRepaintReuse): nothing
    // drawn afterwards in this paint is kept or put back.
    PlatformDeviceContext getSystemContext() const
    {
        flushLines();
        drawnPastContext();
        return systemContext;
    }
    PlatformWindow getWindow() const { return window; }
    PlatformGraphics* getGraphics() const
    {
        flushLines();
        drawnPastContext();
        return graphics;
    }
    bool hasGraphics() const { return graphics != nullptr; }

    // --- Repeated drawing ------------------------------------------------------------------------
    // For one paint straight into a window: keeps a log of what is drawn and lets text and
    // images whose drawing repeats what an earlier paint drew on the same pixels take those
    // pixels from `cache` instead of drawing again (see RepaintCache.h). Needs a device context
    // whose visible area is one rectangle; otherwise (or with a null cache) nothing is kept.
    void enableRepaintReuse(CRepaintCache* cache);
    bool isLogging() const { return paintLog != nullptr; }
    // How a described drawing's pixels may be kept: its reach is exact, or an estimate (a
    // drawing that changes a pixel on the rim of its box is then not kept), or it is only noted
    // (drawing it again costs less than keeping it).
    enum class Keep
    {
        exact,
        checked,
        never,
    };
    // Draws with `draw` on this context's graphics (nothing without graphics). When logging:
    // `reach` (device pixels) bounds every pixel the drawing may change, `cover` is painted
    // opaque whatever was there, and `description` (empty: the drawing cannot be described) is
    // all its pixels depend on besides the earlier pixels and this context's state.
    void drawRepeatable(const PaintBox& reach, const PaintBox& cover, std::string_view description,
                        const std::function<void(PlatformGraphics&)>& draw,
                        Keep keep = Keep::exact);

    // Draws the lines that lineTo has collected. A run of lines in one pen (the leveller's
    // graph: hundreds of one-pixel segments per frame) costs one GDI+ call per group of
    // segments instead of one per segment, which is most of a frame's time on some systems.
    // The segments of a group lie apart from each other, so each pixel is drawn by a group at
    // most once, exactly as often as by the single calls; segments that touch (the joints of a
    // curve) are in different groups. Every operation that draws, or changes the pen, the
    // smoothing or the clip, calls this first; so does the destructor.
    void flushLines() const;

  protected:
    // The log's side of the drawing operations: the state every drawing depends on, the
    // device pixels a drawing can reach (its box within the visible area and the applied clip),
    // and a drawing of lines and shapes noted with its box and description.
    void describeState(PaintDescription& description) const;
    PaintBox drawableBox(const PaintBox& reach) const;
    void noteDrawing(const PaintBox& reach, const PaintDescription& operation) const;
    // drawRepeatable without drawing the waiting lines first (the lines themselves use it).
    void drawLogged(const PaintBox& reach, const PaintBox& cover, std::string_view operation,
                    const std::function<void(PlatformGraphics&)>& draw, Keep keep) const;
#ifdef _WIN32
    void drawnPastContext() const;
#else
    void drawnPastContext() const {}
#endif

    // Applies the settings every graphics gets (interpolation and page unit; smoothing, caps,
    // joins and fill rule), then adopts it. Null, or a graphics that failed, leaves none.
    void adoptGraphics(PlatformGraphics* newGraphics);
    // Deletes the graphics (an off-screen context must do so before its bitmap goes).
    void releaseGraphics();
    // A new graphics drawing into `pixels` (the off-screen context's), or null.
    static PlatformGraphics* makeGraphics(PlatformBitmap* pixels);

    // --- The drawing library's half (CDrawContextGdiplus.cpp, CDrawContextCairo.cpp) ---------
    // In the constructor, before the default state is set: takes the window's device context
    // (or surface) when none was handed in, makes the graphics and the pen and brushes, and
    // reads where the window lies on the screen. closePlatform releases all of it.
    void openPlatform();
    void closePlatform();
    // Whether lines can be drawn (GDI+ may have failed to make the pen).
    bool hasPen() const;
    // Hand the state just recorded to the drawing library's objects.
    void applyLineWidth();
    void applyLineStyle();
    void applyDrawMode(); // with graphics only
    void applyFrameColor();
    void applyFillColor();
    void applyFontColor();
    void applyClip(int32_t x, int32_t y, int32_t width, int32_t height); // with graphics only
    // The shapes, with graphics, the waiting lines drawn, in window pixels (offset applied,
    // rectangles normalised, curves drawable).
    struct SurfacePoint
    {
        float x, y;
    };
    void drawPolygonAt(const SurfacePoint* points, int32_t count, int32_t drawStyle, bool closed);
    void drawRectAt(float x, float y, float width, float height, int32_t drawStyle);
    void drawEllipseAt(int32_t x, int32_t y, int32_t width, int32_t height, int32_t drawStyle);
    void drawArcAt(const CRect& bounds, float startAngle, float sweep, int32_t drawStyle);
    // One pixel in the frame colour (a one-pixel line to its right neighbour), with a pen.
    void drawPixelAt(int32_t x, int32_t y);

    CPoint offsetScreen;
    CPoint offset;
    PlatformDeviceContext systemContext{};
    PlatformWindow window{};
    bool ownsSystemContext = false;
    CFrame* frame = nullptr;
    CFontDesc* font = nullptr;
    CColor fontColor{};
    CPoint penLocation;
    double lineWidth = 0.0;
    CColor frameColor{};
    CColor fillColor{};
    int32_t lineStyle = kLineOnOffDash; // so that the set-up calls take effect
    int32_t drawMode = kAntialias;
    CRect clipRect;
    PlatformGraphics* graphics = nullptr;
#ifdef _WIN32
    Gdiplus::Pen* pen = nullptr;
#else
    // The window's surface when the context took the window itself (no context handed in).
    cairo_surface_t* windowSurface = nullptr;
#endif
    // Lines drawn by lineTo and not yet on the surface, in window pixels (offset applied).
    struct PendingLine
    {
        int32_t x0, y0, x1, y1;
    };
    mutable std::vector<PendingLine> pendingLines;
    // Draws `count` waiting lines in one call (members: their indexes in `lines`, or null for
    // the first `count`), noted in the paint log as one drawing.
    void drawLineRun(const PendingLine* lines, const size_t* members, size_t count) const;
#ifdef _WIN32
    Gdiplus::SolidBrush* fillBrush = nullptr;
    Gdiplus::SolidBrush* fontBrush = nullptr;
#endif
    bool clipApplied = false; // the graphics clips to clipRect (the first clip is only recorded)
    CRepaintCache* repaintCache = nullptr;
    CPaintLog* paintLog = nullptr; // owned; only while repeated drawing is enabled
    PaintBox visibleBox;
};
