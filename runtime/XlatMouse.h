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

    // Script variables: the mouse state as BeginFrame saw it. The gfx code reads only these, so
    // one frame sees one consistent state even if mouse events arrive while it draws.
    double frameMouseX = 0.0;
    double frameMouseY = 0.0;
    double frameMouseButtons = 0.0;

    // [UI thread, inside DoGfx] Start of every gfx frame: surfaceWidth/surfaceHeight from the
    // editor's size (kept without an editor), the mouse snapshot, and a fill of the surface
    // with clearColor when it is true. Defined in graphics/.
    void BeginFrame();

    // [UI thread] Sets the drawing script variables (colour, font number, surface size, clear
    // colour, mouse snapshot) to 0, as the open hook does with every script variable. The
    // pen, textHeight and redrawRate are runtime state and keep their values.
    void ResetScriptGraphics()
    {
        colorR = colorG = colorB = colorA = 0.0;
        fontIndex = surfaceWidth = surfaceHeight = clearColor = 0.0;
        frameMouseX = frameMouseY = frameMouseButtons = 0.0;
    }
};
