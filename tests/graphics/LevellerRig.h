#pragma once
// Test rig for the leveller editor: the leveller driven as a host drives it (the shared driver:
// the fake host, the parameter path, the plug-in's frame loop), the recording target as the
// script view's drawing surface, and the mouse state the view's callbacks leave.

#include <cstdint>

#include "tests/support/LevellerDriver.h"
#include "tests/support/RecordingTarget.h"

// Text widths of the rig's recording target: 6 pixels per byte, so positions that depend on text
// widths are predictable.
inline constexpr double kLevellerCharWidth = 6.0;

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
    // A host parameter change (the parameter path: quantised to the slider's step).
    void SetSlider(int slider, double value) { driver.SetSlider(slider, value); }
    // A slider value no host can set (between steps, not a number), as a restored state holds it.
    void SetRawSlider(int slider, double value) { driver.SetRawSlider(slider, value); }
    // One processing call of `frames` frames of a constant stereo value.
    void ProcessBlock(int frames, double value) { driver.RunConstant(value, value, frames, 1); }

    CLevellerDriver driver;
    CFakeHost& host = driver.host;
    TXlatEffect& fx = driver.effect;
    RecordingTarget target;
};

// A recording target as the rig sets it up: 6 pixels per byte, bitmaps never draw (as natively,
// where nothing decodes).
void SetUpLevellerTarget(RecordingTarget& target);
