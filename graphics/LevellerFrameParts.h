#pragma once
// The parts of the leveller editor's frame that TXlatEffect::DoGfx calls in order. Each draws
// with the runtime's primitives (which draw nothing outside a view draw) and reads or writes the
// script's variables; the slider and switch parts also apply the mouse rules first.
// [UI thread, inside DoGfx]

#include <cstdint>

#include "graphics/LevellerLayout.h"

class TXlatEffect;

// Sets the script's current colour (nominally 0..1 each); the first form keeps the opacity.
void LevellerSetColor(TXlatEffect& fx, double r, double g, double b);
void LevellerSetColor(TXlatEffect& fx, double r, double g, double b, double a);

// Script memory element `index` without creating its page: a page that was never touched reads
// as 0, as script memory does, and a drawing pass cannot make the memory grow.
double LevellerPeekMemory(TXlatEffect& fx, double index);

// One slider row: its mouse step, then the knob, the caption and (value rows) the value text with
// its unit. Answers the row's value, limited to its range. The value goes back into the slider
// and its copy only when the mouse set it in this frame or the range limit moved it: a value
// nobody touched here stays what the host last wrote. A drag is a gesture the host is told of
// (CXlatEdits): its start, each change of the value, its end.
double LevellerSliderRowPart(TXlatEffect& fx, const LevellerSliderRow& row);

// The side-chain filter switch: caption, mouse step, box and mark; a toggle goes into
// sliders[2] and its copy, and to the host as one whole gesture.
void LevellerSwitchPart(TXlatEffect& fx);

// The graph: the cursor at the next history entry, the gain curve and the smoothed curve.
void LevellerGraphPart(TXlatEffect& fx);

// While the transport plays: the gain of the latest frame in dB widens the shown extremes.
void LevellerMetersPart(TXlatEffect& fx);

// The three readouts: range reduction, maximum gain, maximum attenuation.
void LevellerReadoutsPart(TXlatEffect& fx);
