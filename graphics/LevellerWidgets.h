#pragma once
// The mouse rules of the leveller editor's controls: the horizontal slider rows and the
// side-chain filter switch.
//
// The editor has no input handlers of its own. Each gfx frame takes one snapshot of the mouse
// (x, y and the button mask: 1 left, 2 right, 4 control, 8 shift, 16 alt, 64 middle, with the
// modifiers as they were at the press) and every control decides, while it is drawn, whether the
// mouse acts on it. These functions are that decision; they touch only the state passed in, so
// they are plain logic that runs with or without a drawing surface. [UI thread, inside DoGfx]

#include "effect/LevellerVariables.h"

// Geometry and value range of one slider row, in pixels and slider units.
struct LevellerSliderGeometry
{
    double x;
    double y;
    double w;
    double h;
    double minimum;
    double maximum;
    double step;         // quantisation step of editor-set values, > 0
    double defaultValue; // what control + press sets
};

// The mouse as one frame sees it.
struct LevellerMouseSnapshot
{
    double x;
    double y;
    double buttons; // script mask, true while a button is held
};

// Width of the knob's travel margin (pixels): the pointer holds the knob at its centre, 13
// pixels right of the knob's left edge.
inline constexpr double kKnobSpan = 26.0;
inline constexpr double kKnobHalfSpan = 13.0;

// [UI thread] The mouse step of one slider row. Arms the row while the pointer hovers over it
// with no button down; a press on an armed row starts a drag that follows the pointer until the
// release, even outside the row. While dragging, writes the new value (quantised upwards to the
// step, or the default with control held) into `copy` and sets `rerunSliderCode` to 1, on every
// frame the button stays down. With shift held at the press the drag is fine: the knob stays
// where the pointer was when it started (the anchor) and then moves 100 / anchor pixels per
// pixel of travel.
//
// A fine drag anchored at x 0 would divide by zero: while the pointer's x is 0 (within the
// script's truth interval) no anchor is taken and the knob follows the pointer directly. A value
// that still comes out non-finite leaves `copy` unchanged. The value is not limited to the range
// here; the drawing does that. Answers whether it wrote `copy` (every frame of a drag).
bool LevellerSliderMouseStep(const LevellerSliderGeometry& row, const LevellerMouseSnapshot& mouse,
                             SliderWidgetState& state, double& copy, double& rerunSliderCode);

// Box of the side-chain filter switch, bounds included.
inline constexpr double kSwitchLeft = 115.0;
inline constexpr double kSwitchTop = 274.0;
inline constexpr double kSwitchRight = 125.0;
inline constexpr double kSwitchBottom = 284.0;

// [UI thread] The mouse step of the switch: a press over the box toggles `switchValue` (0 / 1)
// once and sets `rerunSliderCode`, provided the pointer was over the box with the button up in
// an earlier frame; holding the button does not toggle again. Answers whether it toggled.
bool LevellerSwitchMouseStep(const LevellerMouseSnapshot& mouse, double& switchArmed,
                             double& switchValue, double& rerunSliderCode);
