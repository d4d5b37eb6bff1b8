#include "tests/plugin/FailingAllocation.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace
{
// Allocations left before the failure; negative: disarmed.
std::atomic<long> remaining{-1};
std::atomic<bool> failed{false};

void* Allocate(std::size_t size)
{
    long left = remaining.load();
    while (left >= 0)
    {
        if (remaining.compare_exchange_weak(left, left - 1))
        {
            if (left == 0)
            {
                failed = true;
                throw std::bad_alloc();
            }
            break;
        }
    }
    if (void* p = std::malloc(size != 0 ? size : 1)) return p;
    throw std::bad_alloc();
}
} // namespace

void FailAllocationAfter(long n)
{
    failed = false;
    remaining = n;
}

bool StopFailingAllocations()
{
    remaining = -1;
    return failed.load();
}

void* operator new(std::size_t size)
{
    return Allocate(size);
}

void* operator new[](std::size_t size)
{
    return Allocate(size);
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete[](void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
