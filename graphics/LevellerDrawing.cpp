// The leveller editor's frame: the whole 430 x 600 view drawn from the background up on every
// frame (the view keeps no picture between frames), with the slider rows and the switch applying
// the mouse as they are drawn.

#include <cmath>
#include <string>

#include "effect/XlatEffect.h"
#include "graphics/LevellerFrameParts.h"

void LevellerSetColor(TXlatEffect& fx, double r, double g, double b)
{
    fx.colorR = r;
    fx.colorG = g;
    fx.colorB = b;
}

void LevellerSetColor(TXlatEffect& fx, double r, double g, double b, double a)
{
    LevellerSetColor(fx, r, g, b);
    fx.colorA = a;
}

double LevellerPeekMemory(TXlatEffect& fx, double index)
{
    const int32_t i = ScriptInt(index);
    // The block hook writes history entries on the audio thread meanwhile: one whole load.
    return fx.HasPage(i) ? LoadShared(fx.Element(i)) : 0.0;
}

double LevellerSliderRowPart(TXlatEffect& fx, const LevellerSliderRow& row)
{
    LevellerVariables& v = fx.vars;
    const LevellerSliderGeometry& g = row.geometry;
    SharedDouble& copy = v.*row.copy;

    // The copy is read once: the host may replace it (and the slider) at any moment from another
    // thread, and a value this frame did not change must not be written back over the host's.
    const double seen = copy;
    const double before = fx.sliders[row.slider];
    double value = seen;
    double rerun = 0.0;
    const bool moved = LevellerSliderMouseStep(
        g, {fx.frameMouseX, fx.frameMouseY, fx.frameMouseButtons}, v.*row.widget, value, rerun);
    if (moved) v.rerunSliderCode = rerun;
    // The host hears of the hold before the value it knows changes.
    const bool held = ScriptTrue((v.*row.widget).dragging);
    if (held) fx.BeginSliderEdit(row.slider);

    // A value the host or a restored state put outside the range is pulled into it; one that is
    // not a number at all falls back to the row's default.
    if (std::isnan(value))
        value = g.defaultValue;
    else if (value < g.minimum)
        value = g.minimum;
    else if (value > g.maximum)
        value = g.maximum;
    if (moved || !(value == seen))
    {
        copy = value;
        fx.sliders[row.slider] = value;
        fx.NoteSliderChange();
    }
    // Each change the hold makes reaches the host, once; a value the host set is not echoed.
    if (!held)
        fx.EndSliderEdit(row.slider);
    else if (!(value == before))
        fx.SliderEdited(row.slider);

    // Knob (32 x 15): its left edge travels from x + 1 to x + w - 27.
    fx.penY = g.y + 1.0;
    fx.penX = g.x + 1.0 + (value - g.minimum) / (g.maximum - g.minimum) * (g.w - 28.0);
    fx.Blit(kImageKnob);

    // Caption: ends 5 pixels left of the track, centred on the row by the text height.
    LevellerSetColor(fx, 0.6, 0.6, 0.6);
    double captionWidth = 0.0;
    double captionHeight = 0.0;
    fx.MeasureStr(row.captionHandle, captionWidth, captionHeight);
    fx.penX = g.x - captionWidth - kTextGap;
    fx.penY = g.y + g.h * 0.5 - 0.5 * fx.textHeight;
    fx.DrawStr(row.captionHandle);

    if (row.unitHandle == 0.0) return value; // a step row: the frame draws the step name

    // Value text right of the track, one decimal, the unit directly after it; a row that 0
    // switches off names that instead (its own constant: the shared slot is left alone).
    LevellerSetColor(fx, 0.7, 0.7, 0.7);
    fx.penX = g.x + g.w + kTextGap;
    fx.penY = g.y + g.h * 0.5 - 0.5 * fx.textHeight;
    if (row.zeroHandle != 0.0 && ScriptEqual(value, 0.0))
    {
        fx.DrawStr(row.zeroHandle);
        return value;
    }
    fx.FormatString(kSlotRowValue, kStrValueFormat, value);
    const std::string text = fx.LookupString(kSlotRowValue) + fx.LookupString(row.unitHandle);
    fx.RegisterString(ScriptInt(kSlotRowValue), text);
    fx.DrawStr(kSlotRowValue);
    return value;
}

void LevellerSwitchPart(TXlatEffect& fx)
{
    LevellerVariables& v = fx.vars;

    // Caption, ending 5 pixels left of the box and centred on it.
    LevellerSetColor(fx, 0.5, 0.5, 0.5);
    double w = 0.0;
    double h = 0.0;
    fx.MeasureStr(kStrSwitchCaption, w, h);
    fx.penX = kSwitchLeft - w - kTextGap;
    fx.penY = kSwitchCentreY - fx.textHeight * 0.5;
    fx.DrawStr(kStrSwitchCaption);

    double on = v.sliderCopy2;
    double rerun = 0.0;
    const bool toggled = LevellerSwitchMouseStep(
        {fx.frameMouseX, fx.frameMouseY, fx.frameMouseButtons}, v.switchArmed, on, rerun);
    if (toggled)
    {
        v.rerunSliderCode = rerun;
        // One click, one step: the whole gesture at once.
        fx.BeginSliderEdit(2);
        v.sliderCopy2 = on;
        fx.sliders[2] = on;
        fx.NoteSliderChange();
        fx.SliderEdited(2);
        fx.EndSliderEdit(2);
    }

    // Box: a light rim around a dark well; the orange mark shows the switch is on.
    LevellerSetColor(fx, 0.4, 0.4, 0.4);
    fx.penX = kSwitchLeft;
    fx.penY = kSwitchTop;
    fx.RectTo(kSwitchRight, kSwitchBottom);
    LevellerSetColor(fx, 0.15, 0.15, 0.15);
    fx.penX = kSwitchLeft + 1.0;
    fx.penY = kSwitchTop + 1.0;
    fx.RectTo(kSwitchRight - 1.0, kSwitchBottom - 1.0);
    if (ScriptTrue(on))
    {
        LevellerSetColor(fx, 0.9, 0.5, 0.0);
        fx.FillRect(kSwitchLeft + 2.0, kSwitchTop + 2.0, 6.0, 6.0);
    }
}

void TXlatEffect::DoGfx(double /*width*/, double /*height*/)
{
    LevellerVariables& v = vars;

    BeginFrame();
    LevellerSetColor(*this, 0.0, 0.0, 0.0, 1.0);
    penX = 0.0;
    penY = 0.0;
    SetFont(0, kStrCourierNew, 13, 0);

    // The background covers the whole surface.
    penX = 0.0;
    penY = 0.0;
    Blit(kImageBackground);

    SetFont(1, kStrRowFont, 14, 1);

    // The two step rows, each followed by its step name in the caption's colour and row.
    const double lowCutShown = LevellerSliderRowPart(*this, kLevellerRows[kRowLowCut]);
    penX = kStepNameX;
    DrawStr(LevellerPeekMemory(*this, kLowCutLabelTable + lowCutShown));
    const double attackShown = LevellerSliderRowPart(*this, kLevellerRows[kRowAttack]);
    penX = kStepNameX;
    DrawStr(LevellerPeekMemory(*this, kAttackLabelTable + attackShown));

    for (int r = kRowFirstValue; r <= kRowLastValue; ++r)
        LevellerSliderRowPart(*this, kLevellerRows[r]);

    LevellerSwitchPart(*this);

    LevellerSliderRowPart(*this, kLevellerRows[kRowDisplaySpeed]);
    LevellerSliderRowPart(*this, kLevellerRows[kRowBrake]);

    // A widget changed a value (or the init hook asked for one run): the coefficients follow.
    if (ScriptTrue(v.rerunSliderCode))
    {
        v.rerunSliderCode = 0.0;
        RunSliderCodeUntilCurrent();
    }

    LevellerGraphPart(*this);

    SetFont(1, kStrReadoutFont, 14, 1);
    LevellerMetersPart(*this);
    LevellerReadoutsPart(*this);

    // A press on the graph sends the history back to the 0 dB line and the cursor to the left
    // edge (on every frame it is held); a press below it, on the readouts, restarts the extremes.
    // The refill covers only the prepared history, so a block size of 0 cannot make it endless.
    if (ScriptTrue(frameMouseButtons))
    {
        const double my = frameMouseY;
        if (v.graphTop < my && my < v.graphTop + kGraphAreaHeight) FillHistory();
        if (my > v.graphTop + kGraphAreaHeight)
        {
            v.maxGainDb = 0.0;
            v.maxAttenuationDb = 0.0;
        }
    }

    penX = kBuildLabelX;
    penY = kBuildLabelY;
    LevellerSetColor(*this, 1.0, 1.0, 1.0, 0.2);
    SetFont(1, kStrBuildFont, 12, 0);
    DrawStr(v.buildLabel);
}
