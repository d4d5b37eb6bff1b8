#include "clap/OstraClapTables.h"

#include <cstring>

#include "clap/OstraClap.h"

namespace
{

// Calls `body` with the instance behind `p`; `fallback` when there is none or `body` throws.
template <typename R, typename F> R With(const clap_plugin* p, R fallback, F&& body) noexcept
{
    try
    {
        if (COstraClap* instance = COstraClap::from(p)) return body(*instance);
    }
    catch (...)
    {
    }
    return fallback;
}

template <typename F> void WithVoid(const clap_plugin* p, F&& body) noexcept
{
    try
    {
        if (COstraClap* instance = COstraClap::from(p)) body(*instance);
    }
    catch (...)
    {
    }
}

// --- clap_plugin -------------------------------------------------------------------------------

bool Init(const clap_plugin* p)
{
    return With(p, false, [](COstraClap& c) { return c.init(); });
}

void Destroy(const clap_plugin* p)
{
    COstraClap* instance = COstraClap::from(p);
    if (!instance) return;
    try
    {
        instance->destroy();
    }
    catch (...)
    {
    }
    delete instance;
}

bool Activate(const clap_plugin* p, double rate, uint32_t minFrames, uint32_t maxFrames)
{
    return With(p, false, [&](COstraClap& c) { return c.activate(rate, minFrames, maxFrames); });
}

void Deactivate(const clap_plugin* p)
{
    WithVoid(p, [](COstraClap& c) { c.deactivate(); });
}

bool StartProcessing(const clap_plugin* p)
{
    return With(p, false, [](COstraClap& c) { return c.startProcessing(); });
}

void StopProcessing(const clap_plugin* p)
{
    WithVoid(p, [](COstraClap& c) { c.stopProcessing(); });
}

void Reset(const clap_plugin* p)
{
    WithVoid(p, [](COstraClap& c) { c.reset(); });
}

clap_process_status Process(const clap_plugin* p, const clap_process* process)
{
    return With(p, clap_process_status(CLAP_PROCESS_ERROR),
                [&](COstraClap& c) {
                    return process ? c.process(*process) : clap_process_status(CLAP_PROCESS_ERROR);
                });
}

const void* GetExtension(const clap_plugin* p, const char* id)
{
    return With(p, static_cast<const void*>(nullptr),
                [&](COstraClap& c) { return c.extension(id); });
}

void OnMainThread(const clap_plugin* p)
{
    WithVoid(p, [](COstraClap& c) { c.onMainThread(); });
}

// --- Extensions --------------------------------------------------------------------------------

const clap_plugin_params kParams = {
    [](const clap_plugin* p)
    { return With(p, 0u, [](COstraClap& c) { return c.hostParamCount(); }); },
    [](const clap_plugin* p, uint32_t index, clap_param_info* info)
    { return With(p, false, [&](COstraClap& c) { return c.paramInfo(index, info); }); },
    [](const clap_plugin* p, clap_id id, double* value)
    { return With(p, false, [&](COstraClap& c) { return c.paramValue(id, value); }); },
    [](const clap_plugin* p, clap_id id, double value, char* text, uint32_t capacity) {
        return With(p, false,
                    [&](COstraClap& c) { return c.valueToText(id, value, text, capacity); });
    },
    [](const clap_plugin* p, clap_id id, const char* text, double* value)
    { return With(p, false, [&](COstraClap& c) { return c.textToValue(id, text, value); }); },
    [](const clap_plugin* p, const clap_input_events* in, const clap_output_events* out)
    { WithVoid(p, [&](COstraClap& c) { c.flush(in, out); }); },
};

const clap_plugin_state kState = {
    [](const clap_plugin* p, const clap_ostream* s)
    { return With(p, false, [&](COstraClap& c) { return c.save(s); }); },
    [](const clap_plugin* p, const clap_istream* s)
    { return With(p, false, [&](COstraClap& c) { return c.load(s); }); },
};

const clap_plugin_audio_ports kAudioPorts = {
    [](const clap_plugin* p, bool isInput)
    { return With(p, 0u, [&](COstraClap& c) { return c.portCount(isInput); }); },
    [](const clap_plugin* p, uint32_t index, bool isInput, clap_audio_port_info* info)
    { return With(p, false, [&](COstraClap& c) { return c.portInfo(index, isInput, info); }); },
};

const clap_plugin_latency kLatency = {
    [](const clap_plugin* p) { return With(p, 0u, [](COstraClap& c) { return c.latency(); }); },
};

const clap_plugin_gui kGui = {
    [](const clap_plugin* p, const char* api, bool floating)
    { return With(p, false, [&](COstraClap& c) { return c.guiApiSupported(api, floating); }); },
    [](const clap_plugin* p, const char** api, bool* floating)
    { return With(p, false, [&](COstraClap& c) { return c.guiPreferredApi(api, floating); }); },
    [](const clap_plugin* p, const char* api, bool floating)
    { return With(p, false, [&](COstraClap& c) { return c.guiCreate(api, floating); }); },
    [](const clap_plugin* p) { WithVoid(p, [](COstraClap& c) { c.guiDestroy(); }); },
    // The editor draws at the system's scale itself.
    [](const clap_plugin*, double) { return false; },
    [](const clap_plugin* p, uint32_t* width, uint32_t* height)
    { return With(p, false, [&](COstraClap& c) { return c.guiSize(width, height); }); },
    [](const clap_plugin*) { return false; },
    [](const clap_plugin* p, clap_gui_resize_hints* hints)
    { return With(p, false, [&](COstraClap& c) { return c.guiResizeHints(hints); }); },
    [](const clap_plugin* p, uint32_t* width, uint32_t* height)
    { return With(p, false, [&](COstraClap& c) { return c.guiAdjustSize(width, height); }); },
    [](const clap_plugin* p, uint32_t width, uint32_t height)
    { return With(p, false, [&](COstraClap& c) { return c.guiSetSize(width, height); }); },
    [](const clap_plugin* p, const clap_window* window)
    { return With(p, false, [&](COstraClap& c) { return c.guiSetParent(window); }); },
    // Embedded only: no transient window, no title.
    [](const clap_plugin*, const clap_window*) { return false; },
    [](const clap_plugin*, const char*) {},
    [](const clap_plugin* p) { return With(p, false, [](COstraClap& c) { return c.guiShow(); }); },
    [](const clap_plugin* p) { return With(p, false, [](COstraClap& c) { return c.guiHide(); }); },
};

const clap_plugin_timer_support kTimers = {
    [](const clap_plugin* p, clap_id timer)
    { WithVoid(p, [&](COstraClap& c) { c.onTimer(timer); }); },
};

#ifndef _WIN32
const clap_plugin_posix_fd_support kFds = {
    [](const clap_plugin* p, int fd, uint32_t flags)
    { WithVoid(p, [&](COstraClap& c) { c.onFd(fd, flags); }); },
};
#endif

} // namespace

void FillClapPluginTable(clap_plugin& plugin)
{
    plugin.init = Init;
    plugin.destroy = Destroy;
    plugin.activate = Activate;
    plugin.deactivate = Deactivate;
    plugin.start_processing = StartProcessing;
    plugin.stop_processing = StopProcessing;
    plugin.reset = Reset;
    plugin.process = Process;
    plugin.get_extension = GetExtension;
    plugin.on_main_thread = OnMainThread;
}

const void* ClapExtension(const char* id)
{
    if (!id) return nullptr;
    const auto is = [id](const char* name) { return std::strcmp(id, name) == 0; };
    if (is(CLAP_EXT_PARAMS)) return &kParams;
    if (is(CLAP_EXT_STATE)) return &kState;
    if (is(CLAP_EXT_AUDIO_PORTS)) return &kAudioPorts;
    if (is(CLAP_EXT_LATENCY)) return &kLatency;
    if (is(CLAP_EXT_GUI)) return &kGui;
    if (is(CLAP_EXT_TIMER_SUPPORT)) return &kTimers;
#ifndef _WIN32
    if (is(CLAP_EXT_POSIX_FD_SUPPORT)) return &kFds;
#endif
    return nullptr;
}
