#pragma once
// Test rig for the leveller editor: a leveller opened and resumed on a fake host, a drawing
// target that records what the gfx hook draws, and helpers that play the mouse callbacks and the
// audio bridge.

#include <cstdint>
#include <string>
#include <vector>

#include "effect/XlatEffect.h"
#include "graphics/GfxTarget.h"
#include "runtime/XlatAdapter.h"

// One drawing operation as the target received it.
struct RecordedDraw
{
    enum Kind { kRect, kLine, kText, kBitmap };
    Kind kind = kRect;
    GfxRect rect;        // kRect, kText, kBitmap: the rectangle; kLine: from (left, top) to
                       // (right, bottom)
    GfxColor color;      // fill colour (kRect), frame colour (kLine), font colour (kText)
    std::string text;  // kText
    int32_t mode = 0;  // draw mode at the time
};

// A font selection as the target received it.
struct RecordedFont
{
    std::string face;
    int32_t size = 0;
    int32_t flags = 0;
};

// Records every operation. Text measures 6 pixels per byte, so positions that depend on text
// widths are predictable; bitmaps never draw (as natively, where nothing decodes).
class LevellerRecordingTarget : public CGfxTarget
{
public:
    static constexpr double kCharWidth = 6.0;

    void setDrawMode(int32_t m) override { mode = m; }
    void setFontColor(GfxColor c) override { fontColor = c; }
    void setFillColor(GfxColor c) override { fillColor = c; }
    void setFrameColor(GfxColor c) override { frameColor = c; }
    double getStringWidth(const char* text) override;
    int32_t getFontSize() override { return fontSize; }
    void moveTo(const GfxPoint& p) override { pen = p; }
    void lineTo(const GfxPoint& p) override;
    void drawRect(const GfxRect& rect, int32_t style) override;
    void drawEllipse(const GfxRect&, int32_t) override {}
    void drawArc(const GfxRect&, float, float, int32_t) override {}
    void drawString(const char* text, const GfxRect& rect, bool opaque, int32_t align) override;
    void drawStringInRect(const char*, const GfxRect&, int32_t, bool) override {}
    void drawStringAt(const char*, const GfxPoint&, bool) override {}
    void drawPoint(const GfxPoint&, GfxColor) override {}
    GfxColor getPoint(const GfxPoint&) override { return GfxColor{0, 0, 0, 255}; }
    bool setFont(const char* face, int32_t size, int32_t flags) override;
    bool drawBitmap(void*, const GfxRect&, const GfxPoint&, int32_t) override { return false; }

    // Texts drawn with exactly this content.
    std::vector<RecordedDraw> TextsEqualTo(const std::string& text) const;
    // Filled rectangles drawn in this colour.
    std::vector<RecordedDraw> RectsIn(GfxColor color) const;
    // Lines drawn in this colour.
    std::vector<RecordedDraw> LinesIn(GfxColor color) const;
    // True when every recorded coordinate is a finite number.
    bool AllCoordinatesFinite() const;

    std::vector<RecordedDraw> draws;
    std::vector<RecordedFont> fonts;

private:
    int32_t mode = 0;
    int32_t fontSize = 0;
    GfxColor fontColor;
    GfxColor fillColor;
    GfxColor frameColor;
    GfxPoint pen;
};

// The host as the leveller sees it: fixed sample rate and block size, a transport flag, an
// editor of 430 x 600, and optionally the recording target as the drawing surface.
class LevellerFakeHost : public CXlatAdapter
{
public:
    double getSampleRate() override { return sampleRate; }
    int32_t getBlockSize() override { return blockSize; }
    int32_t getChannelCount() override { return 2; }
    int32_t getOutputChannelCount() override { return 2; }
    double getTempo() override { return 120.0; }
    bool isPlaying() override { return playing; }
    bool getEditorSize(int32_t& width, int32_t& height) override
    {
        width = 430;
        height = 600;
        return true;
    }
    CGfxTarget* getScriptDrawTarget() override { return target; }

    double sampleRate = 44100.0;
    int32_t blockSize = 512;
    bool playing = false;
    CGfxTarget* target = nullptr;
};

// Mouse masks as the mouse-down callback builds them.
inline constexpr double kLeft = 1;
inline constexpr double kControl = 4;
inline constexpr double kShift = 8;

// A leveller, opened and resumed on the fake host, with its editor's frames at hand.
class LevellerRig
{
public:
    explicit LevellerRig(double sampleRate = 44100.0, int32_t blockSize = 512,
                         bool recordDrawing = false);
    LevellerRig(const LevellerRig&) = delete;
    LevellerRig& operator=(const LevellerRig&) = delete;

    // One editor frame with the mouse at (x, y) and the mask `buttons` (what the mouse
    // callbacks leave in the runtime), as the view's draw runs it. Clears the recording first.
    void Frame(double x, double y, double buttons = 0.0);
    // Hover over (x, y) for one frame, then press there for one frame.
    void HoverAndPress(double x, double y, double buttons = kLeft);
    // A host parameter change: the value lands in sliders and the slider hook runs.
    void SetSlider(int slider, double value);
    // One processing call of `frames` frames of a constant stereo value.
    void ProcessBlock(int frames, double value);

    LevellerFakeHost host;
    LevellerRecordingTarget target;
    TXlatEffect fx;
};
