#include "LevellerRig.h"

#include "plugin/EditorSize.h"

void SetUpLevellerTarget(RecordingTarget& target)
{
    target.charWidth = kLevellerCharWidth;
    target.bitmapsDraw = false;
}

LevellerRig::LevellerRig(double sampleRate, int32_t blockSize, bool recordDrawing)
    : driver(sampleRate, blockSize, false)
{
    SetUpLevellerTarget(target);
    if (recordDrawing) host.target = &target;
    driver.Open();
    driver.Resume();
}

void LevellerRig::Frame(double x, double y, double buttons)
{
    target.calls.clear();
    fx.mouseX = x;
    fx.mouseY = y;
    fx.mouseButtons = buttons;
    fx.DoGfx(kEditorWidth, kEditorHeight);
}

void LevellerRig::HoverAndPress(double x, double y, double buttons)
{
    Frame(x, y, 0.0);
    Frame(x, y, buttons);
}
