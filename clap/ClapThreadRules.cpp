#include "clap/ClapThreadRules.h"

#include <cstdio>

void CClapThreadRules::attach(const clap_host* h)
{
    host = h;
    mainThread = std::this_thread::get_id();
    if (!host || !host->get_extension) return;
    hostLog = static_cast<const clap_host_log*>(host->get_extension(host, CLAP_EXT_LOG));
    if (hostLog && !hostLog->log) hostLog = nullptr;
    threadCheck = static_cast<const clap_host_thread_check*>(
        host->get_extension(host, CLAP_EXT_THREAD_CHECK));
}

bool CClapThreadRules::isMainThread() const
{
    if (threadCheck && threadCheck->is_main_thread) return threadCheck->is_main_thread(host);
    return std::this_thread::get_id() == mainThread;
}

bool CClapThreadRules::onMain(const char* call) const
{
#if QUAR2_CLAP_THREAD_CHECKS
    if (isMainThread()) return true;
    misbehaviour(call, "called off the main thread");
    return false;
#else
    (void)call;
    return true;
#endif
}

bool CClapThreadRules::onAudio(const char* call) const
{
#if QUAR2_CLAP_THREAD_CHECKS
    if (!threadCheck || !threadCheck->is_audio_thread || threadCheck->is_audio_thread(host))
        return true;
    misbehaviour(call, "called off the audio thread");
    return false;
#else
    (void)call;
    return true;
#endif
}

bool CClapThreadRules::onFlushThread(const char* call, bool active) const
{
    return active ? onAudio(call) : onMain(call);
}

void CClapThreadRules::misbehaviour(const char* call, const char* problem) const
{
    logged.fetch_add(1, std::memory_order_relaxed);
    char line[256];
    std::snprintf(line, sizeof line, "QUAR2: %s: %s", call ? call : "?", problem ? problem : "");
    if (hostLog)
        hostLog->log(host, CLAP_LOG_HOST_MISBEHAVING, line);
    else
        std::fprintf(stderr, "%s (host misbehaving)\n", line);
}

void CClapThreadRules::log(int32_t severity, const char* message) const
{
    if (hostLog)
        hostLog->log(host, severity, message);
    else
        std::fprintf(stderr, "QUAR2: %s\n", message);
}
