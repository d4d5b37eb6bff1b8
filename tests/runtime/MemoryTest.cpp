// Script memory: pages on first touch, page keys for negative indices, stable references,
// pre-created pages and concurrent first touches.
#include <gtest/gtest.h>

#include <atomic>
#include <limits>
#include <thread>

#include "runtime/Xlat.h"

TEST(ScriptMemory, ElementLivesInItsPageAtItsPosition)
{
    CXlatMemory mem;
    EXPECT_TRUE(mem.memory.empty());
    double& e = mem.Element(600000);
    ASSERT_EQ(mem.memory.size(), 1u);
    ASSERT_EQ(mem.memory.count(9), 1u);
    EXPECT_EQ(mem.memory.at(9).size(), 65536u);
    EXPECT_EQ(&e, mem.memory.at(9).data() + 10176);
    EXPECT_EQ(e, 0.0);

    double& last = mem.Element(-1);
    ASSERT_EQ(mem.memory.count(-1), 1u);
    EXPECT_EQ(&last, mem.memory.at(-1).data() + 65535);
    EXPECT_EQ(&mem.Element(-65536), mem.memory.at(-1).data());
    double& belowPage = mem.Element(-65537);
    EXPECT_EQ(&belowPage, mem.memory.at(-2).data() + 65535);

    // 65,536 apart: same position, different pages.
    mem.Element(5) = 1.5;
    mem.Element(5 + 65536) = 2.5;
    EXPECT_EQ(mem.Element(5), 1.5);
    EXPECT_EQ(mem.Element(5 + 65536), 2.5);
    EXPECT_EQ(&mem.Element(5 + 65536), mem.memory.at(1).data() + 5);
}

TEST(ScriptMemory, ExtremeIndicesAndScriptValuesUseTheIntegerRule)
{
    CXlatMemory mem;
    mem.Element(INT32_MAX) = 1.0;
    mem.Element(INT32_MIN) = 2.0;
    EXPECT_EQ(&mem.Element(INT32_MAX), mem.memory.at(32767).data() + 65535);
    EXPECT_EQ(&mem.Element(INT32_MIN), mem.memory.at(-32768).data());

    EXPECT_EQ(&mem.Element(2.99995), &mem.Element(3));
    EXPECT_EQ(&mem.Element(-2.99995), &mem.Element(-3));
    EXPECT_EQ(&mem.Element(std::numeric_limits<double>::quiet_NaN()), &mem.Element(0));
    EXPECT_EQ(&mem.Element(1e30), &mem.Element(INT32_MAX));
    EXPECT_EQ(&mem.Element(-std::numeric_limits<double>::infinity()), &mem.Element(INT32_MIN));
}

TEST(ScriptMemory, ReferencesStayValidWhileOtherPagesAppearAndClearEmptiesEverything)
{
    CXlatMemory mem;
    double& kept = mem.Element(70000);
    kept = 42.0;
    for (int32_t page = -40; page < 40; ++page)
        mem.Element(page * 65536 + 3) = page;
    EXPECT_EQ(&kept, &mem.Element(70000));
    EXPECT_EQ(kept, 42.0);
    EXPECT_EQ(mem.Element(70000 - 65536 + 3), 0.0); // page 0, untouched position
    EXPECT_EQ(mem.Element(-39 * 65536 + 3), -39.0);

    mem.Clear();
    EXPECT_TRUE(mem.memory.empty());
    EXPECT_FALSE(mem.HasPage(70000));
    EXPECT_EQ(mem.Element(70000), 0.0);
    EXPECT_EQ(mem.memory.size(), 1u);
}

TEST(ScriptMemory, CreatePagesMakesExactlyTheCoveredPagesInEitherOrder)
{
    CXlatMemory mem;
    EXPECT_TRUE(mem.CreatePages(65535, 3 * 65536));
    EXPECT_EQ(mem.memory.size(), 4u);
    EXPECT_TRUE(mem.HasPage(0));
    EXPECT_TRUE(mem.HasPage(3 * 65536 + 65535));
    EXPECT_FALSE(mem.HasPage(4 * 65536));

    double& e = mem.Element(65536 * 2 + 7);
    e = 9.0;
    EXPECT_TRUE(mem.CreatePages(-1, -200000)); // reversed range, pages -4 .. -1
    EXPECT_EQ(mem.memory.size(), 8u);
    EXPECT_TRUE(mem.HasPage(-200000));
    EXPECT_FALSE(mem.HasPage(-5 * 65536));
    // Existing pages are kept, not replaced.
    EXPECT_TRUE(mem.CreatePages(0, 4 * 65536 - 1));
    EXPECT_EQ(&e, &mem.Element(65536 * 2 + 7));
    EXPECT_EQ(e, 9.0);
}

TEST(ScriptMemory, ConcurrentFirstTouchesCreateEachPageOnce)
{
    // Two threads touch the same fresh pages at the same moment, each writing its own half of
    // every page. A page created twice would lose one thread's writes.
    constexpr int32_t kPages = 48;
    for (int round = 0; round < 4; ++round)
    {
        CXlatMemory mem;
        std::atomic<int> ready{0};
        auto worker = [&](int32_t offset)
        {
            ready.fetch_add(1);
            while (ready.load() < 2)
            {
            }
            for (int32_t page = 0; page < kPages; ++page)
            {
                const int32_t key = (page % 2 == 0) ? page : -page;
                for (int32_t k = 0; k < 64; ++k)
                    mem.Element(key * 65536 + offset + 2 * k) = key * 1000.0 + offset + 2 * k;
            }
        };
        std::thread a(worker, 0), b(worker, 1);
        a.join();
        b.join();
        ASSERT_EQ(mem.memory.size(), static_cast<size_t>(kPages));
        for (int32_t page = 0; page < kPages; ++page)
        {
            const int32_t key = (page % 2 == 0) ? page : -page;
            for (int32_t i = 0; i < 128; ++i)
                ASSERT_EQ(mem.Element(key * 65536 + i), key * 1000.0 + i)
                    << "page " << key << " position " << i;
        }
    }
}
