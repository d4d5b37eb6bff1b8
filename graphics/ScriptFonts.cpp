// The script's fonts: SetFont records the font and selects it in the drawing context.
#include <cmath>
#include <cstdint>
#include <string>

#include "graphics/GfxBridge.h"
#include "runtime/Xlat.h"

namespace
{

// Scripts ask for a nominal size; fonts are made 15 % smaller, which is how large the texts
// were meant to look. textHeight is computed through the same factor so that it matches the
// nominal size except for the rounding of the two steps.
constexpr double kFontScale = 0.85;

// The integer part of a pixel size (truncated toward zero); NaN gives 0 and values beyond the
// 32-bit range the limits, where a plain conversion would be undefined.
int32_t IntegerPart(double v)
{
    if (v != v) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v);
}

} // namespace

void CXlatGraphics::SetFont(double number, double faceHandle, double size, double flags)
{
    fontIndex = number;
    textHeight = (size * kFontScale) / kFontScale;
    FontRecord& record = fonts[ScriptInt(number)];
    record.face = LookupString(faceHandle);
    record.size = size * kFontScale;
    record.flags = ScriptInt(flags);
    const int32_t pixels = IntegerPart(record.size);
    // The face is copied for the call: the bridge must not see the record change under it.
    const std::string face = record.face;
    if (!GfxSetFont(adapter, face.c_str(), pixels, record.flags))
        GfxSetFont(adapter, "verdana", pixels, record.flags);
}
