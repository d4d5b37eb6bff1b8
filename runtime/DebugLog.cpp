#include "runtime/DebugLog.h"

#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#endif

const char* LogFilePath()
{
#ifdef _WIN32
    return "\\vesk.log.txt";
#else
    return "/tmp/vesk.log.txt";
#endif
}

void WriteLog(const std::string& text)
{
    FILE* f = std::fopen(LogFilePath(), "a");
    if (f == nullptr) return;
    std::fprintf(f, "%s\n", text.c_str());
    std::fclose(f);
#ifdef _WIN32
    Beep(2000, 200);
#endif
}

void PreconditionFailed(const char* condition, const char* function)
{
    WriteLog(std::string("precondition failed in ") + function + ": " + condition);
    std::abort();
}
