#include "effect/MemoryWindow.h"

#include <algorithm>

void CMemoryWindow::Reset()
{
    first = 0;
    last = -1;
    firstPage = 0;
    pages.fill(nullptr);
}

void CMemoryWindow::Prepare(CXlatMemory& memory, int32_t firstIndex, int32_t count)
{
    Reset();
    if (count <= 0) return;
    const int64_t wanted = std::min<int64_t>(count, kMaxElements);
    const int64_t end = std::min<int64_t>(static_cast<int64_t>(firstIndex) + wanted - 1, INT32_MAX);
    const int32_t lastIndex = static_cast<int32_t>(end);
    memory.CreatePages(firstIndex, lastIndex);
    firstPage = firstIndex >> 16;
    const int32_t lastPage = lastIndex >> 16;
    for (int32_t key = firstPage; key <= lastPage; ++key)
    {
        const int32_t pageStart = key * CXlatMemory::kPageSize;
        // Element() would hand out a scratch cell for a page that failed to allocate; such a
        // page stays null here so nothing ever indexes past that single cell.
        pages[static_cast<size_t>(key - firstPage)] =
            memory.HasPage(pageStart) ? &memory.Element(pageStart) : nullptr;
    }
    first = firstIndex;
    last = lastIndex;
}
