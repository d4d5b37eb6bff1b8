#pragma once
// Script memory: one large array of doubles addressed by a 32-bit index, made of pages of 65,536
// doubles that are created (zeroed) on first touch.
//
// Element i lives in page i >> 16 (arithmetic shift: negative indices have pages of their own) at
// position i & 0xFFFF. `memory` owns the pages; besides it, a direct table of 65,536 atomic page
// pointers (one per possible page key) lets every access find its page with one acquire load,
// with no map search and no lock. A page is created under a mutex, inserted into `memory`, and
// only then published in the table (release), so no thread ever searches `memory` while another
// inserts into it: nothing searches it outside that mutex.

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "runtime/ScriptValue.h"

class CXlatMemory
{
  public:
    // Doubles per page.
    static constexpr int32_t kPageSize = 65536;
    // Number of possible page keys (-32768 .. 32767).
    static constexpr int32_t kPageKeys = 65536;

    CXlatMemory();
    ~CXlatMemory();
    CXlatMemory(const CXlatMemory&) = delete;
    CXlatMemory& operator=(const CXlatMemory&) = delete;

    // [any thread] The storage of element `index`, creating its page on first touch. The
    // reference stays valid until Clear() or destruction (pages never move). After the page
    // exists this is one atomic load and an index: no lock, no allocation. Should a page ever fail
    // to allocate, the answer is a scratch cell that absorbs the access.
    double& Element(int32_t index)
    {
        double* page =
            pageTable[static_cast<uint32_t>((index >> 16) + 32768)].load(std::memory_order_acquire);
        if (page == nullptr) page = CreatePage(index >> 16);
        return page != nullptr ? page[index & 0xFFFF] : scratch;
    }

    // [any thread] Element of a script value used as an index (the integer rule of ScriptInt).
    double& Element(double indexValue) { return Element(ScriptInt(indexValue)); }

    // [UI thread] Creates every page that holds an element from `firstIndex` to `lastIndex`
    // (inclusive, either order), so that the audio thread later touches only existing pages.
    // Answers false if a page could not be allocated.
    bool CreatePages(int32_t firstIndex, int32_t lastIndex);

    // [any thread] Whether the page holding `index` exists (does not create it).
    bool HasPage(int32_t index) const
    {
        return pageTable[static_cast<uint32_t>((index >> 16) + 32768)].load(
                   std::memory_order_acquire) != nullptr;
    }

    // [UI thread] Removes every page; the script memory reads as zeros again. Every reference
    // handed out before becomes invalid, so no other thread may be in Element() meanwhile (the
    // open hook runs before processing starts).
    void Clear();

    // Page key -> page of exactly kPageSize doubles. Owner of the pages; the runtime changes it
    // only under pageMutex and never searches it on the access path (that uses pageTable).
    // Others may look at it while no thread creates pages, but must never insert into it: a page
    // added here directly would not be published to Element().
    std::map<int32_t, std::vector<double>> memory;

  private:
    // Creates (or finds, if another thread was first) the page with this key. Null on failure.
    double* CreatePage(int32_t key);

    std::unique_ptr<std::atomic<double*>[]> pageTable; // index = key + 32768
    std::mutex pageMutex;
    double scratch = 0.0;
};
