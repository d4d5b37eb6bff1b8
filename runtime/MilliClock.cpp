#include "runtime/MilliClock.h"

#ifdef _WIN32
#include <ctime>

int32_t MilliClock()
{
    // The C library's clock() on Windows counts wall-clock time since the process started, in
    // milliseconds (CLOCKS_PER_SEC is 1000).
    return static_cast<int32_t>(static_cast<uint32_t>(clock()));
}
#else
#include <chrono>

int32_t MilliClock()
{
    using Clock = std::chrono::steady_clock;
    static const Clock::time_point start = Clock::now();
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    // Keep the low 32 bits, as a wrapping counter.
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(ms)));
}
#endif
