#pragma once
// Graphics state of the script: text height, image slots, pen position and redraw rate. The
// drawing primitives build on this data.

#include <cstdint>
#include <map>

#include "runtime/GfxImageHolder.h"
#include "runtime/XlatFonts.h"

// One image number's slot.
struct ImageSlot
{
    // Null until a load was attempted; then the holder of the bitmap (possibly empty).
    GfxImageHolder* holder = nullptr;
    // Size of the loaded bitmap in pixels, 0 if none.
    double width = 0.0;
    double height = 0.0;
};

class CXlatGraphics : public CXlatFonts
{
public:
    CXlatGraphics() = default;
    // Frees every slot's holder, which drops its bitmap reference.
    ~CXlatGraphics();
    CXlatGraphics(const CXlatGraphics&) = delete;
    CXlatGraphics& operator=(const CXlatGraphics&) = delete;

    // Height of the current font, in pixels.
    double textHeight = 0.0;
    // Image number -> slot.
    std::map<int32_t, ImageSlot> images;
    // Pen position in pixels.
    double penX = 0.0;
    double penY = 0.0;
    // Editor redraws per second driven by the idle hook; 0 or less never redraws from there.
    double redrawRate = 0.0;
};
