#include "runtime/XlatParameters.h"

#include <cmath>

namespace
{
// Two slider values closer than this count as equal (the script's equality rule).
constexpr double kSameValue = 0.00001;
} // namespace

const SliderRecord* ParameterRecord(const TXlat& runtime, int32_t index)
{
    if (index < 0 || index >= runtime.SliderRecordCount()) return nullptr;
    const SliderRecord& record = runtime.sliderRecords[static_cast<size_t>(index)];
    if (record.number < 0 || record.number >= static_cast<int32_t>(runtime.sliders.size()))
        return nullptr;
    return &record;
}

void SetParameterValue(TXlat& runtime, int32_t index, double value)
{
    const SliderRecord* record = ParameterRecord(runtime, index);
    // A NaN or infinite value from the host carries no position: ignored.
    if (!record || !std::isfinite(value)) return;
    // The editor's mouse holds this one: the user's value stands until the mouse lets go.
    if (runtime.SliderHeld(record->number)) return;
    const double m = record->minimum;
    const double s = record->step;
    double v = (record->maximum - m) * value + m;
    // Snapped to the multiples of the step counted from 0 (not from the minimum), not clamped.
    if (s > 0.0) v = std::floor((v + 0.5 * s) / s) * s;
    SharedDouble& slider = runtime.sliders[static_cast<size_t>(record->number)];
    const double change = v - slider;
    if (change > -kSameValue && change < kSameValue)
        return; // repeated automation at one value does not re-run the slider code
    slider = v;
    if (record->mirror) *record->mirror = v;
    runtime.NoteSliderChange();
    runtime.DoSlider();
}
