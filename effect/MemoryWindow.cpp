#include "effect/MemoryWindow.h"

#include <algorithm>

void CMemoryWindow::Reset()
{
    // Closed first, so a reader never pairs the old bounds with cleared pages.
    last.store(-1, std::memory_order_release);
    first.store(0, std::memory_order_relaxed);
    firstPage.store(0, std::memory_order_relaxed);
    for (std::atomic<double*>& page : pages) page.store(nullptr, std::memory_order_release);
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

    memory.CreatePages(firstIndex, lastIndex);
    for (int32_t slot = 0; slot < kMaxPages; ++slot)
    {
        const int32_t key = newFirstPage + slot;
        double* page = nullptr;
        if (key <= lastPage)
        {
            // Element() would hand out a scratch cell for a page that failed to allocate; such a
            // page stays null here so nothing ever indexes past that single cell.
            const int32_t pageStart = key * CXlatMemory::kPageSize;
            if (memory.HasPage(pageStart)) page = &memory.Element(pageStart);
        }
        // Unchanged pointers are not rewritten: an open window is never touched needlessly.
        if (pages[static_cast<size_t>(slot)].load(std::memory_order_relaxed) != page)
            pages[static_cast<size_t>(slot)].store(page, std::memory_order_release);
    }
    last.store(lastIndex, std::memory_order_release);
}
