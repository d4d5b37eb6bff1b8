#pragma once
// Parameter edits that the editor's mouse makes, told to the host as gestures (CXlatAdapter's
// begin, edit and end). The editor's controls speak slider numbers; the host hears the parameter
// index of the slider's record and the value it reads back, so any slider an effect declares
// (and any front end that implements the adapter) is covered without knowing either.
//
// While the mouse holds a slider, the host's own changes to that one parameter are not applied
// (SliderHeld, read by the host's parameter path): the user has it, the host has been told so,
// and the two must not take turns at the sound. Every other parameter stays the host's.

#include <array>
#include <atomic>
#include <cstdint>

#include "runtime/XlatMouse.h"

class CXlatEdits : public CXlatMouse
{
  public:
    // [UI thread] The mouse holds slider `number`: the first call of a hold tells the host that
    // the gesture begins; further calls during the hold do nothing.
    void BeginSliderEdit(int32_t number);
    // [UI thread] The held slider `number` has a new value: the host is told the parameter's
    // normalised value as it now reads back. Nothing for a slider that is not held.
    void SliderEdited(int32_t number);
    // [UI thread] The mouse let go of slider `number`: the gesture ends (nothing when none is
    // open).
    void EndSliderEdit(int32_t number);
    // [UI thread] The mouse let go of everything (a release, the editor closing).
    void EndSliderEdits();
    // [any thread] Whether the mouse holds slider `number` now.
    bool SliderHeld(int32_t number) const
    {
        return number >= 0 && number < kSliderCount &&
               held[static_cast<size_t>(number)].load(std::memory_order_acquire);
    }

  private:
    // One flag per slider number: written on the UI thread, read by the host's parameter path
    // on any thread.
    std::array<std::atomic<bool>, kSliderCount> held{};
};
