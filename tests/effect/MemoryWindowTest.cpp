// The leveller's direct windows into script memory: bounds, unallocated stretches, and what an
// audio thread sees while the init hook prepares the windows again (hosts load the first chunk
// on their UI thread while audio runs, and that load runs the init hook).

#include "effect/MemoryWindow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace
{
// Whether `cell` lies inside one of the memory's pages.
bool InsideSomePage(const CXlatMemory& memory, const double* cell)
{
    for (const auto& [key, page] : memory.memory)
        if (cell >= page.data() && cell < page.data() + page.size()) return true;
    return false;
}
} // namespace

TEST(MemoryWindow, CoversExactlyItsStretchAcrossPages)
{
    CXlatMemory memory;
    CMemoryWindow window;
    EXPECT_EQ(window.At(0), nullptr); // empty before any preparation

    // 100 elements straddling the boundary between pages 1 and 2.
    const int32_t first = 2 * CXlatMemory::kPageSize - 40;
    window.Prepare(memory, first, 100);
    EXPECT_EQ(window.First(), first);
    EXPECT_EQ(window.Last(), first + 99);
    EXPECT_EQ(memory.memory.size(), 2u);
    for (int32_t i = first; i < first + 100; ++i)
        ASSERT_EQ(window.At(i), &memory.Element(i)) << i;
    EXPECT_EQ(window.At(first - 1), nullptr);
    EXPECT_EQ(window.At(first + 100), nullptr);
    EXPECT_EQ(window.At(INT32_MIN), nullptr);
    EXPECT_EQ(window.At(INT32_MAX), nullptr);

    // Negative indexes have pages of their own.
    window.Prepare(memory, -10, 20);
    EXPECT_EQ(window.At(-10), &memory.Element(-10));
    EXPECT_EQ(window.At(9), &memory.Element(9));
    EXPECT_EQ(window.At(10), nullptr);

    // The end of the index range and an oversized count are cut, never wrapped.
    window.Prepare(memory, INT32_MAX - 5, 1000);
    EXPECT_EQ(window.Last(), INT32_MAX);
    EXPECT_EQ(window.At(INT32_MAX), &memory.Element(INT32_MAX));
    window.Prepare(memory, 0, INT32_MAX);
    EXPECT_EQ(window.Last(), CMemoryWindow::kMaxElements - 1);
    EXPECT_EQ(window.At(CMemoryWindow::kMaxElements), nullptr);

    window.Prepare(memory, 5, 0);
    EXPECT_LT(window.Last(), window.First());
    EXPECT_EQ(window.At(5), nullptr);

    // After the memory is cleared, preparing the same stretch again hands out the new pages.
    window.Prepare(memory, 100, 10);
    memory.Clear();
    window.Prepare(memory, 100, 10);
    EXPECT_EQ(window.At(100), &memory.Element(100));
}

TEST(MemoryWindow, AudioThreadReadsSafelyWhileTheWindowIsPreparedAgain)
{
    CXlatMemory memory;
    CMemoryWindow window;
    const int32_t delayFirst = 48000; // a delay line at the sample rate, as the leveller keeps it
    constexpr int32_t kSlots = 66;
    window.Prepare(memory, delayFirst, kSlots);

    // Preparing the same stretch again (the init hook re-run by a chunk load) never closes the
    // window under the reader: every access finds its own cell.
    {
        std::atomic<bool> stop{false};
        std::atomic<long> missing{0}, wrong{0}, reads{0};
        std::thread reader(
            [&]
            {
                while (!stop.load(std::memory_order_relaxed))
                    for (int32_t i = delayFirst; i < delayFirst + kSlots; ++i)
                    {
                        const double* cell = window.At(i);
                        if (cell == nullptr)
                            missing.fetch_add(1);
                        else if (cell != &memory.Element(i))
                            wrong.fetch_add(1);
                        reads.fetch_add(1, std::memory_order_relaxed);
                    }
            });
        // Preparation goes on until the reader has been through the window many times, however
        // the two threads are scheduled.
        for (int k = 0; k < 20000 || reads.load(std::memory_order_relaxed) < 200000; ++k)
            window.Prepare(memory, delayFirst, kSlots);
        stop = true;
        reader.join();
        EXPECT_GT(reads.load(), 0);
        EXPECT_EQ(missing.load(), 0);
        EXPECT_EQ(wrong.load(), 0);
    }

    // Moving between stretches far apart (a sample-rate change) may briefly answer null, but
    // every cell handed out lies inside a page of the memory.
    {
        const int32_t farFirst = 30 * CXlatMemory::kPageSize + 7;
        window.Prepare(memory, farFirst, kSlots); // create both stretches' pages up front
        window.Prepare(memory, delayFirst, kSlots);
        std::atomic<bool> stop{false};
        std::atomic<long> outside{0}, found{0}, passes{0};
        std::thread reader(
            [&]
            {
                for (; !stop.load(std::memory_order_relaxed); passes.fetch_add(1))
                    for (int32_t base : {delayFirst, farFirst})
                        for (int32_t i = base; i < base + kSlots; ++i)
                            if (const double* cell = window.At(i))
                            {
                                if (!InsideSomePage(memory, cell)) outside.fetch_add(1);
                                found.fetch_add(1, std::memory_order_relaxed);
                            }
            });
        // Until the reader has made its passes and found open cells (bounded: a window that never
        // opened ends the loop after many passes and fails below).
        for (int k = 0; k < 20000 || passes.load(std::memory_order_relaxed) < 2000 ||
                        (found.load(std::memory_order_relaxed) < 1000 &&
                         passes.load(std::memory_order_relaxed) < 1000000);
             ++k)
            window.Prepare(memory, k % 2 == 0 ? farFirst : delayFirst, kSlots);
        stop = true;
        reader.join();
        EXPECT_GT(found.load(), 0);
        EXPECT_EQ(outside.load(), 0);
    }
}
