#include "GfxRecordingTarget.h"

#include <atomic>
#include <chrono>
#include <fstream>

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

#include "runtime/DebugLog.h"

int CountLogLines(const std::string& needle)
{
    std::ifstream in(LogFilePath());
    int count = 0;
    for (std::string line; std::getline(in, line);)
        if (line.find(needle) != std::string::npos) ++count;
    return count;
}

std::string GfxUniqueTag(const std::string& stem)
{
    static std::atomic<int> counter{0};
    // Process ids repeat across runs (Wine's especially) while the log file stays: the clock
    // makes the tag unique across runs too.
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return stem + "_" + std::to_string(static_cast<long>(getpid())) + "_" +
           std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(now).count()) +
           "_" + std::to_string(counter++);
}
