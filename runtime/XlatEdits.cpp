#include "runtime/XlatEdits.h"

void CXlatEdits::BeginSliderEdit(int32_t number)
{
    if (number < 0 || number >= kSliderCount) return;
    std::atomic<bool>& flag = held[static_cast<size_t>(number)];
    if (flag.load(std::memory_order_relaxed)) return;
    const int32_t index = ParameterOfSlider(number);
    // A slider the host has no parameter for changes nothing the host knows of.
    if (index < 0) return;
    flag.store(true, std::memory_order_release);
    HostBeginEdit(index);
}

void CXlatEdits::SliderEdited(int32_t number)
{
    if (!SliderHeld(number)) return;
    const int32_t index = ParameterOfSlider(number);
    HostParameterEdited(index, ParameterValue(index));
}

void CXlatEdits::EndSliderEdit(int32_t number)
{
    if (!SliderHeld(number)) return;
    held[static_cast<size_t>(number)].store(false, std::memory_order_release);
    HostEndEdit(ParameterOfSlider(number));
}

void CXlatEdits::EndSliderEdits()
{
    for (int32_t number = 0; number < kSliderCount; ++number)
        EndSliderEdit(number);
}
