#pragma once
// One fixed state of the leveller's editor, the same on every platform's pixel tests: slider
// settings, the switch, a gain history, the curves' carried ends and smoothing, the readouts'
// extremes, the mouse away. A frame drawn right after it always draws the same picture.

#include <cmath>

#include "effect/XlatEffect.h"

inline void ApplyFixedEditorState(TXlatEffect& fx)
{
    LevellerVariables& v = fx.vars;
    v.sliderCopy2 = 1.0; // side-chain filter on: the orange mark
    v.sliderCopy3 = 3.0; // "80 Hz"
    v.sliderCopy4 = 7.0; // "50 ms"
    v.sliderCopy5 = -12.0;
    v.sliderCopy6 = 17.0;
    v.sliderCopy7 = -3.0;
    v.sliderCopy8 = 4.0;
    v.sliderCopy9 = -6.5;
    v.sliderCopy10 = 4.4;
    v.historyStep = 441000.0 / 512.0 / 360.0 * 0.44;
    v.historyBaseCopy = v.historyBase;
    for (int i = 0; i < 400; ++i)
    {
        const double db = 8.0 * std::sin(i * 0.045) + 4.0 * std::sin(i * 0.21);
        fx.Element(v.historyBase + i) = 100.0 - 5.0 * db;
    }
    v.historyWritePos = 215.0;
    v.curveLastY = 371.0;
    v.smoothLastY = 352.0;
    v.graphSmooth = 9000.0;
    v.playState = 1.0;
    v.lastGain = std::pow(10.0, 4.5 / 20.0);
    v.maxGainDb = 7.25;
    v.maxAttenuationDb = -9.5;
    v.rerunSliderCode = 0.0;
    fx.mouseX = fx.mouseY = fx.mouseButtons = 0.0;
}
