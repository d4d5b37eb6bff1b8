// The leveller editor's graph of the gain applied over the last seconds and its readouts.
//
// The gain history holds one graph ordinate per processing block (100 at unity gain, about 5 per
// dB, 0 = +20 dB, 199 = -20 dB); the graph shows graphPoints of them, historyStep entries apart,
// as a thin gain curve and an orange curve smoothed across frames.

#include <cmath>
#include <string>

#include "effect/XlatEffect.h"
#include "graphics/LevellerFrameParts.h"

namespace
{

// History ordinate i of the graph. An entry that is not a finite number (memory the history
// does not own, when the layout is not set up yet) reads as the 0 dB line, so the curves and the
// smoothing state stay finite.
double GraphOrdinate(TXlatEffect& fx, double i)
{
    const LevellerVariables& v = fx.vars;
    const double entry = LevellerPeekMemory(fx, i * v.historyStep + v.historyBaseCopy);
    return std::isfinite(entry) ? entry : 100.0;
}

// Number of columns to draw: graphPoints truncated toward zero, none below 1.
int GraphColumns(double graphPoints)
{
    if (!(graphPoints >= 1.0)) return 0;
    if (graphPoints >= kMaxGraphColumns) return kMaxGraphColumns;
    return static_cast<int>(graphPoints);
}

// Formats `value` into `slot` with format `formatHandle` and appends the text of `unitHandle`.
void FormatWithUnit(TXlatEffect& fx, double slot, double formatHandle, double value,
                    double unitHandle)
{
    fx.FormatString(slot, formatHandle, value);
    const std::string text = fx.LookupString(slot) + fx.LookupString(unitHandle);
    fx.RegisterString(ScriptInt(slot), text);
}

// One readout line: label at the pen, value text at readoutX + 160 on the same line.
void ReadoutLine(TXlatEffect& fx, double y, double labelHandle, double slot, double formatHandle,
                 double value, double unitHandle)
{
    const LevellerVariables& v = fx.vars;
    fx.penX = v.readoutX + 12.0;
    fx.penY = y;
    fx.DrawStr(labelHandle);
    fx.penX = v.readoutX + 160.0;
    FormatWithUnit(fx, slot, formatHandle, value, unitHandle);
    fx.DrawStr(slot);
}

} // namespace

void LevellerGraphPart(TXlatEffect& fx)
{
    LevellerVariables& v = fx.vars;

    // Cursor: the column the next history entry goes to. Without a history layout (no step yet)
    // there is no such column and no cursor.
    LevellerSetColor(fx, 1.0, 1.0, 0.0, 0.5);
    const double cursorX = v.graphX + v.historyWritePos / v.historyStep;
    if (std::isfinite(cursorX))
    {
        fx.penX = cursorX;
        fx.penY = v.graphY;
        fx.LineTo(cursorX, v.graphY + kGraphHeight);
    }

    const int columns = GraphColumns(v.graphPoints);

    // Gain curve; its first segment joins the previous frame's last point.
    LevellerSetColor(fx, 1.0, 1.0, 1.0, 0.5);
    fx.penX = v.graphX;
    fx.penY = v.curveLastY;
    for (int i = 0; i < columns; ++i)
    {
        const double y = GraphOrdinate(fx, i) + v.graphY;
        v.curveLastY = y;
        fx.LineTo(v.graphX + i, y);
    }

    // Smoothed curve: a filter over the squared ordinates that runs on through every frame's
    // columns, so it only restarts when the history is reset.
    LevellerSetColor(fx, 1.0, 0.5, 0.0, 1.0);
    fx.penX = v.graphX;
    fx.penY = v.smoothLastY;
    for (int i = 0; i < columns; ++i)
    {
        const double ordinate = GraphOrdinate(fx, i);
        v.graphSmooth = (ordinate * ordinate - v.graphSmooth) * 0.005 + v.graphSmooth;
        const double y = std::sqrt(std::fabs(v.graphSmooth)) + v.graphY;
        v.smoothLastY = y;
        fx.LineTo(v.graphX + i, y);
    }
}

void LevellerMetersPart(TXlatEffect& fx)
{
    LevellerVariables& v = fx.vars;
    if (!ScriptTrue(v.playState)) return; // the readouts keep the last values shown while playing
    const double g = 20.0 * std::log10(v.lastGain / 10.0) + 20.0;
    // No frame processed yet (gain 0) has no level in dB: the extremes stay as they are rather
    // than sticking at infinity until the next slider change.
    if (!std::isfinite(g)) return;
    // Each extreme read once: the slider code may reset it from another thread meanwhile.
    const double maxGainDb = v.maxGainDb;
    const double maxAttenuationDb = v.maxAttenuationDb;
    v.shownMaxGainDb = g > maxGainDb ? g : maxGainDb;
    v.shownMaxAttenuationDb = g < maxAttenuationDb ? g : maxAttenuationDb;
    v.maxGainDb = v.shownMaxGainDb;
    v.maxAttenuationDb = v.shownMaxAttenuationDb;
}

void LevellerReadoutsPart(TXlatEffect& fx)
{
    const LevellerVariables& v = fx.vars;
    LevellerSetColor(fx, 1.0, 0.5, 0.2, 0.7);
    ReadoutLine(fx, v.readoutY + 60.0, kStrRangeReductionCaption, kSlotRangeReduction,
                kStrRangeReductionFormat, v.shownMaxGainDb - v.shownMaxAttenuationDb,
                kStrRangeReductionUnit);
    LevellerSetColor(fx, 0.7, 0.7, 0.7, 0.7);
    ReadoutLine(fx, v.readoutY + 75.0, kStrMaxGainCaption, kSlotMaxGain, kStrMaxGainFormat,
                v.shownMaxGainDb, kStrMaxGainUnit);
    ReadoutLine(fx, v.readoutY + 90.0, kStrMaxAttenuationCaption, kSlotMaxAttenuation,
                kStrMaxAttenuationFormat, v.shownMaxAttenuationDb, kStrMaxAttenuationUnit);
}
