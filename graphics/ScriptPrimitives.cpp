// The script's drawing primitives: pen, rectangles, lines and text, and the start of a frame.
// Each converts script values (doubles, colour components 0..1) and calls the drawing bridge
// with the plug-in object as handle. Nothing is cached between calls: every primitive sets its
// colour and draw mode before it draws, and the drawing context skips what did not change.
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "graphics/ColorByte.h"
#include "graphics/GfxBridge.h"
#include "runtime/Xlat.h"

namespace
{

// Draw modes as the drawing context knows them.
constexpr int32_t kAliased = 0;
constexpr int32_t kAntialiased = 3;
constexpr int32_t kFilled = 1;
constexpr int32_t kAlignLeft = 0;

// The packed clear colour as a 64-bit integer (truncated toward zero); NaN and values beyond
// the 64-bit range, which the conversion would leave undefined, give 0 and the limits.
int64_t ClearColorBits(double v)
{
    if (v != v) return 0;
    if (v >= 9223372036854775807.0) return INT64_MAX;
    if (v <= -9223372036854775808.0) return INT64_MIN;
    return static_cast<int64_t>(v);
}

} // namespace

void CXlatGraphics::RectTo(double x, double y)
{
    const double px = penX;
    const double py = penY;
    penX = x;
    penY = y;
    GfxSetFillColor(adapter, ColorByte(colorR), ColorByte(colorG), ColorByte(colorB),
                    ColorByte(colorA));
    GfxSetDrawMode(adapter, kAliased);
    // The drawing context orders the corners itself, so the pen may lie on any side.
    GfxDrawRect(adapter, std::floor(px), std::floor(py), std::floor(x), std::floor(y), kFilled);
}

void CXlatGraphics::FillRect(double x, double y, double w, double h)
{
    penX = x;
    penY = y;
    RectTo(x + w, y + h);
}

void CXlatGraphics::LineTo(double x, double y)
{
    GfxSetFrameColor(adapter, ColorByte(colorR), ColorByte(colorG), ColorByte(colorB),
                     ColorByte(colorA));
    GfxSetDrawMode(adapter, kAntialiased);
    GfxMoveTo(adapter, penX, penY);
    penX = x;
    penY = y;
    // Unrounded: the drawing context truncates both end points to whole pixels.
    GfxLineTo(adapter, x, y);
}

void CXlatGraphics::DrawStr(double handle)
{
    GfxSetFontColor(adapter, ColorByte(colorR), ColorByte(colorG), ColorByte(colorB),
                    ColorByte(colorA));
    GfxSetDrawMode(adapter, kAntialiased);
    // A copy: the string table may change while the text is drawn (it does not today, but the
    // reference would dangle if it did).
    const std::string text = LookupString(handle);
    const std::string_view all(text);
    double lastWidth = 0.0;
    size_t start = 0;
    for (;;)
    {
        const size_t end = all.find('\n', start);
        const std::string line(
            all.substr(start, end == std::string_view::npos ? end : end - start));
        // A context without a usable font answers -1; the text is then unmeasurable and must not
        // move the pen backwards.
        const double w = GfxGetStringWidth(adapter, line.c_str());
        lastWidth = w > 0.0 ? w : 0.0;
        // A box one text height plus 2 pixels tall whose top is the pen; the context centres the
        // line in it vertically and clips to it.
        GfxDrawString(adapter, line.c_str(), penX, penY, penX + lastWidth, penY + textHeight + 2.0,
                      false, kAlignLeft);
        if (end == std::string_view::npos) break;
        penY += textHeight;
        start = end + 1;
    }
    penX += lastWidth;
}

void CXlatGraphics::MeasureStr(double handle, double& w, double& h)
{
    const std::string text = LookupString(handle);
    const double width = GfxGetStringWidth(adapter, text.c_str());
    w = width > 0.0 ? width : 0.0;
    h = textHeight;
}

void CXlatMouse::BeginFrame()
{
    int32_t width = 0;
    int32_t height = 0;
    if (GfxGetSize(adapter, width, height))
    {
        surfaceWidth = width;
        surfaceHeight = height;
    }
    frameMouseButtons = mouseButtons;
    frameMouseX = mouseX;
    frameMouseY = mouseY;
    if (ScriptTrue(clearColor))
    {
        colorA = 1.0;
        penX = penY = 0.0;
        const int64_t n = ClearColorBits(clearColor);
        colorR = static_cast<double>(n & 255) / 255.0;
        colorG = static_cast<double>((n >> 8) & 255) / 255.0;
        colorB = static_cast<double>((n >> 16) & 255) / 255.0;
        FillRect(0.0, 0.0, surfaceWidth, surfaceHeight);
    }
}
