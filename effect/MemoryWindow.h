#pragma once
// A prepared stretch of script memory that the audio thread reaches without any table search.
//
// The leveller keeps its delay lines and its gain history in script memory. Prepare() (called
// from the open and init hooks) creates every page of the stretch up front and keeps a direct
// pointer to each, so At() is a range check and an index: no lock, no allocation, no map. Pages
// never move once created; they only go away when the script memory is cleared by the open hook,
// which prepares the windows again right after.
//
// The init hook also runs on the host's UI thread when the first chunk arrives, and hosts load
// chunks while audio runs. So the window's fields are atomics (plain loads and stores on the
// 64-bit targets), Prepare() leaves a window that covers the same stretch open while it
// refreshes the page pointers, and At() bounds its page slot itself: a reader that meets a window
// halfway through a change gets a valid cell or null, never a slot outside the table.

#include <array>
#include <atomic>
#include <cstdint>

#include "runtime/XlatMemory.h"

class CMemoryWindow
{
  public:
    // Most pages one window covers: 40 pages of 65,536 doubles hold 2.6 million entries.
    static constexpr int32_t kMaxPages = 40;
    // Most elements one window covers (leaves one page of slack for an unaligned start).
    static constexpr int32_t kMaxElements = (kMaxPages - 1) * CXlatMemory::kPageSize;

    // [UI thread] Covers the elements firstIndex .. firstIndex + count - 1 (count is limited to
    // kMaxElements and to the 32-bit index range), creating their pages. A page that cannot be
    // allocated leaves its part of the window unreachable (At answers null there). A count of 0
    // or less makes an empty window.
    void Prepare(CXlatMemory& memory, int32_t firstIndex, int32_t count);

    // [UI thread] Makes the window empty: every At answers null.
    void Reset();

    // [any thread] The element `index` if it lies inside the window on an existing page, else
    // null.
    double* At(int32_t index) const
    {
        if (index > last.load(std::memory_order_acquire) ||
            index < first.load(std::memory_order_relaxed))
            return nullptr;
        const uint32_t slot =
            static_cast<uint32_t>((index >> 16) - firstPage.load(std::memory_order_relaxed));
        if (slot >= static_cast<uint32_t>(kMaxPages)) return nullptr;
        double* page = pages[slot].load(std::memory_order_acquire);
        return page != nullptr ? page + (index & 0xFFFF) : nullptr;
    }

    // First and last element of the window (last < first when empty).
    int32_t First() const { return first.load(std::memory_order_relaxed); }
    int32_t Last() const { return last.load(std::memory_order_acquire); }

  private:
    std::atomic<int32_t> first{0};
    std::atomic<int32_t> last{-1};
    std::atomic<int32_t> firstPage{0};
    std::array<std::atomic<double*>, kMaxPages> pages{};
};
