#pragma once
// Slider values and the first hook of the runtime.

#include <atomic>
#include <cstdint>
#include <vector>

#include "runtime/SharedDouble.h"
#include "runtime/XlatOstra.h"

class CXlatSliders : public CXlatOstra
{
  public:
    // Number of slider values; slider numbers are 0 .. kSliderCount - 1 (scripts count from 1).
    static constexpr int kSliderCount = 128;

    CXlatSliders() : sliders(kSliderCount, 0.0) {}

    // [any thread] Runs the script's slider code after a slider value changed: the host
    // (setParameter), resume and a restored state chunk call it. Default: nothing.
    virtual void DoSlider() {}

    // Current slider values indexed by slider number; always kSliderCount entries. The host's
    // parameter path, the state chunk and the editor write them from their threads while the
    // slider code reads them on others: each is read and written whole (SharedDouble).
    std::vector<SharedDouble> sliders;

    // [any thread] Whoever writes slider values that the slider code must see (the host's
    // parameter path, a restored state, the editor) counts the change after writing them. A
    // slider-code run on another thread can then tell that it may have read older values.
    void NoteSliderChange() { sliderChanges.fetch_add(1); }
    // [any thread] How many such changes there were so far (wraps around).
    uint32_t SliderChangeCount() const { return sliderChanges.load(); }

  private:
    std::atomic<uint32_t> sliderChanges{0};
};
