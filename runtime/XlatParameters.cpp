#include "runtime/XlatParameters.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "runtime/ScriptValue.h"

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
    const double v = ParameterSliderValue(*record, value);
    SharedDouble& slider = runtime.sliders[static_cast<size_t>(record->number)];
    const double change = v - slider;
    if (change > -kSameValue && change < kSameValue)
        return; // repeated automation at one value does not re-run the slider code
    slider = v;
    if (record->mirror) *record->mirror = v;
    runtime.NoteSliderChange();
    runtime.DoSlider();
}

double ParameterSliderValue(const SliderRecord& record, double value)
{
    const double m = record.minimum;
    const double s = record.step;
    double v = (record.maximum - m) * value + m;
    // Snapped to the multiples of the step counted from 0 (not from the minimum), not clamped.
    if (s > 0.0) v = std::floor((v + 0.5 * s) / s) * s;
    return v;
}

void ParameterDisplayText(const SliderRecord& record, double x, char* text, size_t bytes)
{
    if (!text || bytes == 0) return;
    const std::string* shown = nullptr;
    const auto& names = record.enumNames;
    if (names.empty())
    {
        // A slider that 0 switches off reads as its name for "off" there.
        if (record.zeroName.empty() || !ScriptEqual(x, 0.0))
        {
            // Values of any size are cut at the buffer's end ("%.2f" of 1e300 is 300 digits).
            std::snprintf(text, bytes, "%.2f", x);
            return;
        }
        shown = &record.zeroName;
    }
    else
    {
        const double n = static_cast<double>(names.size());
        const double j = (n - 1.0) * (x - record.minimum) / (record.maximum - record.minimum);
        // Truncated toward zero; negative, NaN or beyond 32 bits -> the first name, above the
        // last name -> the last name.
        size_t pick = 0;
        if (j >= 0.0 && j < 2147483648.0)
            pick = std::min(static_cast<size_t>(static_cast<int32_t>(j)), names.size() - 1);
        shown = &names[pick];
    }
    const size_t n = std::min(shown->size(), bytes - 1);
    std::memcpy(text, shown->data(), n);
    text[n] = 0;
}
