#pragma once
// Graphics state of the script: text height, image slots, pen position and redraw rate, the
// drawing variables a script sets (colour, font number, surface size, clear colour) and the
// drawing primitives over them.
//
// The primitives are declared here so that a script's gfx code calls them like its own functions
// (`colorR = 0.6; RectTo(125, 284);`); they are defined in graphics/ (library quar2_graphics),
// which owns the drawing bridge to the editor, so only code that draws needs to link it.

#include <cstdint>
#include <map>

#include "runtime/GfxImageHolder.h"
#include "runtime/SharedDouble.h"
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
    // Editor redraws per second driven by the idle hook; 0 or less never redraws from there. A
    // value of the host's UI thread: the init hook sets it, the mouse callbacks raise it and the
    // idle hook reads it, all there.
    double redrawRate = 0.0;

    // --- Script variables of the drawing; the open hook sets them to 0 -----------------------
    // Current colour: red, green, blue and opacity, nominally 0..1 (see ColorByte). The init hook
    // resets them from its thread while the editor may be drawing with them.
    SharedDouble colorR = 0.0;
    SharedDouble colorG = 0.0;
    SharedDouble colorB = 0.0;
    SharedDouble colorA = 0.0;
    // Number of the font last selected with SetFont.
    double fontIndex = 0.0;
    // Size of the drawing surface in pixels, refreshed by BeginFrame.
    double surfaceWidth = 0.0;
    double surfaceHeight = 0.0;
    // Packed clear colour (bits 0..7 red, 8..15 green, 16..23 blue); 0 means no clearing.
    double clearColor = 0.0;

    // --- Drawing primitives [UI thread, inside DoGfx]; defined in graphics/ -----------------
    // Outside a view draw they update the state (pen, font record, ...) and draw nothing.
    // Fills from the pen to (x, y), corners floored, aliased; the pen moves to (x, y).
    void RectTo(double x, double y);
    // Fills (x, y)..(x + w, y + h) like RectTo; the pen ends at (x + w, y + h).
    void FillRect(double x, double y, double w, double h);
    // Anti-aliased line from the pen to (x, y); the pen moves to (x, y).
    void LineTo(double x, double y);
    // Draws the string `handle` at the pen line by line (line feeds split it); the pen moves
    // past the text: one textHeight down per line feed, the last line's width to the right.
    void DrawStr(double handle);
    // w = pixel width of the whole string `handle` in the current font, h = textHeight.
    void MeasureStr(double handle, double& w, double& h);
    // The slot of image `number`, loaded on first use: the module's "DATA" resource `number`,
    // else the registered data file of that number next to the library, else one log line.
    ImageSlot& GetImage(double number);
    // Draws image `number` unscaled with its top-left corner at the pen (which stays); a red
    // box with "ERROR" in the image's rectangle when it cannot be drawn.
    void Blit(double number);
    // Defines font `number` (face = text of `faceHandle`, 0.85 x `size` pixels, style bits
    // `flags`: 1 bold, 2 italic, 4 underline), selects it, sets fontIndex and textHeight.
    void SetFont(double number, double faceHandle, double size, double flags);
};
