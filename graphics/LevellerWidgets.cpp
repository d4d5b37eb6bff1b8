#include "graphics/LevellerWidgets.h"

#include <cmath>
#include <cstdint>

#include "runtime/ScriptValue.h"

namespace
{

// The button mask as an integer (it only ever holds small whole numbers); anything else reads
// as no buttons and no modifiers.
int32_t ButtonBits(double mask)
{
    if (!(mask >= 0.0 && mask < 2147483648.0)) return 0;
    return static_cast<int32_t>(mask);
}

constexpr int32_t kControlBit = 4;
constexpr int32_t kShiftBit = 8;

} // namespace

bool LevellerSliderMouseStep(const LevellerSliderGeometry& row, const LevellerMouseSnapshot& mouse,
                             SliderWidgetState& state, double& copy, double& rerunSliderCode)
{
    const double mx = mouse.x;
    const double my = mouse.y;
    const bool pressed = ScriptTrue(mouse.buttons);
    const bool inside = row.x <= mx && mx <= row.x + row.w && row.y <= my && my <= row.y + row.h;

    if (inside)
    {
        if (!pressed)
        {
            state.armed = 1.0;
            state.dragging = 0.0;
            state.fineAnchor = 0.0;
        }
        else if (ScriptTrue(state.armed))
        {
            // Only a press made over a row that was hovered first grabs it; armed stays set so
            // the drag continues while the button is held.
            state.dragging = 1.0;
        }
    }
    else
    {
        state.armed = 0.0;
        if (!pressed)
        {
            state.dragging = 0.0;
            state.fineAnchor = 0.0;
        }
    }

    if (!ScriptTrue(state.dragging)) return false;

    const int32_t bits = ButtonBits(mouse.buttons);
    double rel;
    if ((bits & kShiftBit) == 0)
    {
        rel = mx - row.x - kKnobHalfSpan; // the knob centred under the pointer
        state.fineAnchor = 0.0;
    }
    else
    {
        if (!ScriptTrue(state.fineAnchor)) state.fineAnchor = mx;
        if (ScriptTrue(state.fineAnchor))
        {
            rel = state.fineAnchor - row.x - kKnobSpan +
                  ((mx / state.fineAnchor - 1.0) * 100.0 + kKnobHalfSpan);
        }
        else
        {
            // Pointer at x 0: no anchor to scale by yet; follow the pointer until it moves.
            rel = mx - row.x - kKnobHalfSpan;
        }
    }

    const double fraction = rel / (row.w - kKnobSpan - 2.0);
    const double range = std::fabs(row.maximum - row.minimum);
    const double k = 1.0 / row.step;
    // Upwards to the next step: the value changes as soon as the knob passes a step boundary.
    const double t = std::ceil(fraction * range * k) / k;
    double value = t + row.minimum;
    if ((bits & kControlBit) != 0) value = row.defaultValue;

    if (!std::isfinite(value)) return false;
    copy = value;
    rerunSliderCode = 1.0;
    return true;
}

bool LevellerSwitchMouseStep(const LevellerMouseSnapshot& mouse, double& switchArmed,
                             double& switchValue, double& rerunSliderCode)
{
    const bool inside = kSwitchLeft <= mouse.x && mouse.x <= kSwitchRight &&
                        kSwitchTop <= mouse.y && mouse.y <= kSwitchBottom;
    if (!inside)
    {
        switchArmed = 0.0;
        return false;
    }
    if (!ScriptTrue(mouse.buttons))
    {
        switchArmed = 1.0;
        return false;
    }
    if (!ScriptTrue(switchArmed)) return false;
    switchValue = 1.0 - switchValue;
    rerunSliderCode = 1.0;
    // Disarmed until the pointer is over the box with the button up again.
    switchArmed = 0.0;
    return true;
}
