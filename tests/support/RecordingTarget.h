#pragma once
// The one recording drawing target: every call the script graphics make, in order, with the
// state in effect (draw mode, and the colour a shape, line or text is drawn in).

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/GfxTarget.h"

// One recorded call: the operation's name plus whatever arguments it had.
struct GfxCall
{
    std::string op;
    // The rectangle of a shape, text or bitmap; for lineTo, from the pen (left, top) to the
    // point (right, bottom).
    GfxRect rect;
    GfxPoint point;
    // The colour set (set*Color, drawPoint); for drawRect, lineTo and drawString the fill,
    // frame and font colour they draw in.
    GfxColor color;
    int32_t value = 0; // mode, style, alignment, size or alpha
    int32_t flags = 0;
    // The draw mode in effect when the call came.
    int32_t mode = 0;
    std::string text;
    void* bitmap = nullptr;
};

class RecordingTarget : public CGfxTarget
{
  public:
    // Text widths: `charWidth` pixels per byte. A negative value answers that value for every
    // text (a context without a usable font).
    double charWidth = 7.0;
    // Whether drawBitmap answers that it drew (false plays a platform where nothing decodes).
    bool bitmapsDraw = true;
    // What setFont answers for a face; false for every face in `unknownFaces`.
    std::vector<std::string> unknownFaces;

    std::vector<GfxCall> calls;

    // The calls named `op`, in order.
    std::vector<GfxCall> Named(const std::string& op) const;
    // Texts drawn (drawString) with exactly this content.
    std::vector<GfxCall> TextsEqualTo(const std::string& text) const;
    // Rectangles drawn (drawRect) in this fill colour.
    std::vector<GfxCall> RectsIn(GfxColor color) const;
    // Lines drawn (lineTo) in this frame colour.
    std::vector<GfxCall> LinesIn(GfxColor color) const;
    // True when every rectangle, line and text has finite coordinates.
    bool AllCoordinatesFinite() const;

    void setDrawMode(int32_t m) override;
    void setFontColor(GfxColor c) override { SetColor("setFontColor", c, fontColor); }
    void setFillColor(GfxColor c) override { SetColor("setFillColor", c, fillColor); }
    void setFrameColor(GfxColor c) override { SetColor("setFrameColor", c, frameColor); }
    double getStringWidth(const char* text) override;
    int32_t getFontSize() override { return fontSize; }
    void moveTo(const GfxPoint& p) override;
    void lineTo(const GfxPoint& p) override;
    void drawRect(const GfxRect& r, int32_t style) override;
    void drawEllipse(const GfxRect& r, int32_t style) override
    {
        AddShape("drawEllipse", r, style);
    }
    void drawArc(const GfxRect& r, float, float, int32_t style) override
    {
        AddShape("drawArc", r, style);
    }
    void drawString(const char* text, const GfxRect& r, bool, int32_t align) override;
    void drawStringInRect(const char* text, const GfxRect& r, int32_t align, bool) override
    {
        AddShape("drawStringInRect", r, align).text = text ? text : "(null)";
    }
    void drawStringAt(const char* text, const GfxPoint& p, bool) override;
    void drawPoint(const GfxPoint& p, GfxColor color) override;
    GfxColor getPoint(const GfxPoint&) override { return GfxColor{0, 0, 0, 255}; }
    bool setFont(const char* face, int32_t size, int32_t flags) override;
    bool drawBitmap(void* bitmap, const GfxRect& r, const GfxPoint& source, int32_t alpha) override;

    int32_t fontSize = 0;

  private:
    GfxCall& Add(const char* op);
    GfxCall& AddShape(const char* op, const GfxRect& r, int32_t value);
    // Records the colour call `op` and makes `c` the current colour of its kind.
    void SetColor(const char* op, GfxColor c, GfxColor& current);
    std::vector<GfxCall> Matching(const char* op, bool (*match)(const GfxCall&, const void*),
                                  const void* what) const;

    int32_t drawMode = 0;
    GfxColor fontColor;
    GfxColor fillColor;
    GfxColor frameColor;
    GfxPoint pen;
};
