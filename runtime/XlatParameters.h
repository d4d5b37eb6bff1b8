#pragma once
// The host's parameter path on the runtime: host parameter i is slider record i, with values
// normalised to the record's range and quantised to its step. The plug-in's parameter callbacks
// and the tests that play the host set sliders through this same path.

#include <cstddef>
#include <cstdint>

#include "runtime/Xlat.h"

// [any thread] The slider record of host parameter `index`; null for an index outside the
// declared records or a record whose slider number is outside `sliders`.
const SliderRecord* ParameterRecord(const TXlat& runtime, int32_t index);

// [any thread] setParameter: maps `value` (0..1 for the record's range; values outside it are
// not clamped) onto the slider, snaps it to the multiples of the record's step counted from 0,
// and, when it differs from the slider's value by the script's equality distance or more,
// stores it (and in the record's mirror), counts the change and runs the slider hook. An index
// out of range, a NaN or infinite value, and a value for a slider the editor's mouse holds
// (CXlatEdits) change nothing.
void SetParameterValue(TXlat& runtime, int32_t index, double value);

// [any thread] The slider value the host path makes of `value` for `record`: mapped onto the
// record's range (not clamped) and snapped to the multiples of its step counted from 0.
double ParameterSliderValue(const SliderRecord& record, double value);

// [any thread] The text a host shows for `record` at slider value `x`, written into `text` of
// `bytes` bytes (cut there, always terminated): the step name for a record with step names
// (picked by position in the range, truncated; out of range -> the first or the last), the zero
// name at 0 where the record has one, else the value with two decimals.
void ParameterDisplayText(const SliderRecord& record, double x, char* text, size_t bytes);
