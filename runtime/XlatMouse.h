#pragma once
// Mouse state written by the view's mouse callbacks and read by the gfx hook.

#include "runtime/XlatGraphics.h"

class CXlatMouse : public CXlatGraphics
{
public:
    // Button mask: 1 left, 2 right, 4 control, 8 shift, 16 alt, 64 middle.
    double mouseButtons = 0.0;
    // Position in the view, pixels.
    double mouseX = 0.0;
    double mouseY = 0.0;
};
