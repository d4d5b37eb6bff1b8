#pragma once
// A drawing surface over GDI+: the graphics object plus the current pen, fill, font and clip
// state. Every coordinate a drawing operation receives has `offset` added first; containers
// shift the offset while their children draw, so each view draws in its parent's coordinates.
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
#include "gui/PlatformTypes.h"

#include <cstdint>
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
    PlatformDeviceContext getSystemContext() const
    {
        flushLines();
        return systemContext;
    }
    PlatformWindow getWindow() const { return window; }
    PlatformGraphics* getGraphics() const
    {
        flushLines();
        return graphics;
    }

    // Draws the lines that lineTo has collected. A run of lines in one pen (the leveller's
    // graph: hundreds of one-pixel segments per frame) costs one GDI+ call per group of
    // segments instead of one per segment, which is most of a frame's time on some systems.
    // The segments of a group lie apart from each other, so each pixel is drawn by a group at
    // most once, exactly as often as by the single calls; segments that touch (the joints of a
    // curve) are in different groups. Every operation that draws, or changes the pen, the
    // smoothing or the clip, calls this first; so does the destructor.
    void flushLines() const;

  protected:
    // Applies the interpolation and page unit every graphics gets, then adopts it.
    void adoptGraphics(PlatformGraphics* newGraphics);
    // Deletes the graphics (an off-screen context must do so before its bitmap goes).
    void releaseGraphics();

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
#ifdef _WIN32
    Gdiplus::SolidBrush* fillBrush = nullptr;
    Gdiplus::SolidBrush* fontBrush = nullptr;
#endif
};
