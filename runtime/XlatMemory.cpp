#include "runtime/XlatMemory.h"

#include <new>

// Every access goes through the page table, so a runtime without one cannot exist: a failed
// allocation here fails the construction (the plug-in's entry answers "no instance").
CXlatMemory::CXlatMemory() : pageTable(new std::atomic<double*>[kPageKeys]()) {}

CXlatMemory::~CXlatMemory()
{
    Clear();
}

double* CXlatMemory::CreatePage(int32_t key)
{
    if (!pageTable) return nullptr;
    std::atomic<double*>& entry = pageTable[static_cast<uint32_t>(key + 32768)];
    std::lock_guard<std::mutex> lock(pageMutex);
    // Another thread may have created it while this one waited.
    if (double* page = entry.load(std::memory_order_acquire)) return page;
    try
    {
        std::vector<double>& page = memory[key];
        // A page holds exactly kPageSize doubles, zero when created.
        page.assign(kPageSize, 0.0);
        entry.store(page.data(), std::memory_order_release);
        return page.data();
    }
    catch (...)
    {
        memory.erase(key);
        return nullptr;
    }
}

bool CXlatMemory::CreatePages(int32_t firstIndex, int32_t lastIndex)
{
    int32_t first = firstIndex >> 16;
    int32_t last = lastIndex >> 16;
    if (first > last)
    {
        const int32_t t = first;
        first = last;
        last = t;
    }
    for (int32_t key = first; key <= last; ++key)
    {
        if (pageTable && pageTable[static_cast<uint32_t>(key + 32768)].load(
                             std::memory_order_acquire) != nullptr)
            continue;
        if (CreatePage(key) == nullptr) return false;
    }
    return true;
}

void CXlatMemory::Clear()
{
    std::lock_guard<std::mutex> lock(pageMutex);
    if (pageTable)
    {
        for (const auto& kv : memory)
            pageTable[static_cast<uint32_t>(kv.first + 32768)].store(nullptr,
                                                                     std::memory_order_release);
    }
    memory.clear();
    scratch = 0.0;
}
