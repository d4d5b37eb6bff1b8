#include "effect/MemoryWindow.h"

#include <algorithm>

void CMemoryWindow::Reset()
{
    // Closed first, so a reader never pairs the old bounds with cleared pages.
    last.store(-1, std::memory_order_release);
    first.store(0, std::memory_order_relaxed);
    firstPage.store(0, std::memory_order_relaxed);
    for (std::atomic<double*>& page : pages)
        page.store(nullptr, std::memory_order_release);
}

void CMemoryWindow::Prepare(CXlatMemory& memory, int32_t firstIndex, int32_t count)
{
    if (count <= 0)
    {
        Reset();
        return;
    }
    const int64_t wanted = std::min<int64_t>(count, kMaxElements);
    const int64_t end = std::min<int64_t>(static_cast<int64_t>(firstIndex) + wanted - 1, INT32_MAX);
    const int32_t lastIndex = static_cast<int32_t>(end);
    const int32_t newFirstPage = firstIndex >> 16;
    const int32_t lastPage = lastIndex >> 16;

    // Pages are created and found before the window changes, so a window that must close for
    // the move stays closed only for the few stores below.
    memory.CreatePages(firstIndex, lastIndex);
    std::array<double*, kMaxPages> found{};
    for (int32_t slot = 0; slot < kMaxPages && newFirstPage + slot <= lastPage; ++slot)
    {
        // Element() would hand out a scratch cell for a page that failed to allocate; such a
        // page stays null here so nothing ever indexes past that single cell.
        const int32_t pageStart = (newFirstPage + slot) * CXlatMemory::kPageSize;
        if (memory.HasPage(pageStart))
            found[static_cast<size_t>(slot)] = &memory.Element(pageStart);
    }

    // A window over another stretch closes while it moves; one over the same stretch stays open,
    // so re-running the init hook under audio costs the audio thread nothing.
    const bool sameStretch = first.load(std::memory_order_relaxed) == firstIndex &&
                             last.load(std::memory_order_relaxed) == lastIndex &&
                             firstPage.load(std::memory_order_relaxed) == newFirstPage;
    if (!sameStretch)
    {
        last.store(-1, std::memory_order_release);
        first.store(firstIndex, std::memory_order_relaxed);
        firstPage.store(newFirstPage, std::memory_order_relaxed);
    }
    for (size_t slot = 0; slot < pages.size(); ++slot)
    {
        // Unchanged pointers are not rewritten: an open window is never touched needlessly.
        if (pages[slot].load(std::memory_order_relaxed) != found[slot])
            pages[slot].store(found[slot], std::memory_order_release);
    }
    last.store(lastIndex, std::memory_order_release);
}
