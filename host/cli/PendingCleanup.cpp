// Removing the pending temporary files when the program ends early, from signal handlers and
// an exit handler that may only use async-signal-safe calls.
#include "host/cli/PendingCleanup.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unistd.h>

namespace
{

// Temporary files to remove if the program is interrupted or a plug-in crashes. Fixed-size
// storage: a signal handler may only use async-signal-safe calls (unlink, write), so it reads
// plain character arrays. Jobs levelling files in parallel add and remove entries under a lock
// (the handler does not take it). Room for 32 jobs with two files each.
constexpr int kMaxPending = 72;
constexpr size_t kMaxPath = 4096;
char pendingPaths[kMaxPending][kMaxPath];
volatile sig_atomic_t pendingUsed[kMaxPending];

// The plug-in named when the program dies inside it.
char watchedPlugin[kMaxPath];
volatile sig_atomic_t normalExit = 0;

void removePending()
{
    for (int i = 0; i < kMaxPending; ++i)
        if (pendingUsed[i]) unlink(pendingPaths[i]);
}

void say(const char* text)
{
    const ssize_t n = write(STDERR_FILENO, text, std::strlen(text));
    (void)n;
}

void removePendingAndExit(int signal)
{
    removePending();
    std::signal(signal, SIG_DFL);
    raise(signal);
}

const char* crashName(int signal)
{
    switch (signal)
    {
    case SIGSEGV:
        return "segmentation fault";
    case SIGBUS:
        return "bus error";
    case SIGFPE:
        return "arithmetic fault";
    case SIGILL:
        return "illegal instruction";
    case SIGABRT:
        return "abort";
    default:
        return "fatal signal";
    }
}

void reportCrashAndExit(int signal)
{
    removePending();
    say("quar2-host: the plug-in ");
    say(watchedPlugin);
    say(" crashed (");
    say(crashName(signal));
    say("); no output was written\n");
    _exit(1);
}

void reportExitCall()
{
    if (normalExit) return;
    removePending();
    std::fflush(stdout);
    say("quar2-host: the plug-in ");
    say(watchedPlugin);
    say(" ended the program (it called exit); no output was written\n");
    _exit(1);
}

std::mutex pendingLock;

} // namespace

int rememberPendingFile(const std::string& path)
{
    std::lock_guard<std::mutex> hold(pendingLock);
    static bool installed = false;
    if (!installed)
    {
        installed = true;
        for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
            std::signal(sig, removePendingAndExit);
    }
    if (path.size() >= kMaxPath) return -1;
    for (int i = 0; i < kMaxPending; ++i)
        if (!pendingUsed[i])
        {
            std::memcpy(pendingPaths[i], path.c_str(), path.size() + 1);
            std::atomic_signal_fence(std::memory_order_seq_cst); // the path before the flag
            pendingUsed[i] = 1;
            return i;
        }
    return -1;
}

void forgetPendingFile(int slot)
{
    std::lock_guard<std::mutex> hold(pendingLock);
    if (slot >= 0) pendingUsed[slot] = 0;
}

void watchPluginFailures(const std::string& pluginPath)
{
    std::snprintf(watchedPlugin, sizeof watchedPlugin, "%s", pluginPath.c_str());
    static bool installed = false;
    if (installed) return;
    installed = true;
    // A plug-in that overflows its stack still gets its crash reported.
    static char altStack[64 * 1024];
    stack_t ss{};
    ss.ss_sp = altStack;
    ss.ss_size = sizeof altStack;
    sigaltstack(&ss, nullptr);
    struct sigaction sa
    {
    };
    sa.sa_handler = reportCrashAndExit;
    sa.sa_flags = SA_ONSTACK;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
        sigaction(sig, &sa, nullptr);
    std::atexit(reportExitCall);
}

void markNormalExit()
{
    normalExit = 1;
}
