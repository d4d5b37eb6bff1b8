#pragma once
// The interface's thread rules, checked where a host's call comes in. A call on the wrong
// thread is the host's fault: it is logged (through the host's log extension as
// host-misbehaving, else on stderr) and the call goes on, as the plug-in cannot refuse it
// safely. Thread checks are made in debug builds (and when QUAR2_CLAP_THREAD_CHECKS is 1); the
// life-cycle checks (activate twice, process while inactive) guard the plug-in's own state and
// are made in every build by their callers, which log through misbehaviour().
//
// The main thread is the one that ran the plug-in's init (the interface keeps it the same for the
// plug-in's lifetime), unless the host answers through its thread-check extension. The audio
// thread is not a fixed OS thread; only the host can say whether a call is on it, so without the
// host's thread-check, audio calls are accepted on any thread.

#include <atomic>
#include <thread>

#include "clap/ClapAbi.h"

#ifndef QUAR2_CLAP_THREAD_CHECKS
#ifdef NDEBUG
#define QUAR2_CLAP_THREAD_CHECKS 0
#else
#define QUAR2_CLAP_THREAD_CHECKS 1
#endif
#endif

class CClapThreadRules
{
  public:
    // [main] From the plug-in's init: the host's log and thread-check tables (either may be
    // missing or partial) and this thread as the main thread.
    void attach(const clap_host* host);

    // [any] True when the call named `call` came on the thread it must; otherwise logs it.
    bool onMain(const char* call) const;
    bool onAudio(const char* call) const;
    // params.flush: the audio thread while active, the main thread while inactive.
    bool onFlushThread(const char* call, bool active) const;

    // [any] Logs "`call`: `problem`" as host misbehaviour. Formats into a stack buffer: safe on
    // the audio thread.
    void misbehaviour(const char* call, const char* problem) const;
    // [any] Logs a message of ours at `severity` (CLAP_LOG_*).
    void log(int32_t severity, const char* message) const;

    // How many misbehaviours were logged (tests, diagnostics).
    int count() const { return logged.load(std::memory_order_relaxed); }

  private:
    bool isMainThread() const;

    const clap_host* host = nullptr;
    const clap_host_log* hostLog = nullptr;
    const clap_host_thread_check* threadCheck = nullptr;
    std::thread::id mainThread;
    mutable std::atomic<int> logged{0};
};
