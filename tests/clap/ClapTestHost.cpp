#include "tests/clap/ClapTestHost.h"

#include <algorithm>
#include <cstring>
#include <thread>

#ifndef _WIN32
#include <poll.h>
#endif

namespace
{

std::thread::id mainThread;
thread_local bool onAudioThread = false;

struct AudioScope
{
    explicit AudioScope(bool on) : previous(onAudioThread) { onAudioThread = on; }
    ~AudioScope() { onAudioThread = previous; }
    bool previous;
};

struct EventList
{
    std::vector<clap_event_param_value> events;
};

uint32_t ListSize(const clap_input_events* list)
{
    return uint32_t(static_cast<const EventList*>(list->ctx)->events.size());
}

const clap_event_header* ListGet(const clap_input_events* list, uint32_t index)
{
    const auto& events = static_cast<const EventList*>(list->ctx)->events;
    return index < events.size() ? &events[index].header : nullptr;
}

EventList MakeEvents(const std::vector<TClapParamChange>& changes)
{
    EventList list;
    for (const TClapParamChange& c : changes)
    {
        clap_event_param_value e{};
        e.header = {sizeof e, c.time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
        e.param_id = c.id;
        e.note_id = -1;
        e.port_index = e.channel = e.key = -1;
        e.value = c.value;
        list.events.push_back(e);
    }
    return list;
}

bool PushSent(const clap_output_events* list, const clap_event_header* e)
{
    auto* sent = static_cast<std::vector<std::vector<uint8_t>>*>(list->ctx);
    const auto* bytes = reinterpret_cast<const uint8_t*>(e);
    sent->emplace_back(bytes, bytes + e->size);
    return true;
}

struct Bytes
{
    std::vector<uint8_t> data;
    size_t position = 0;
    size_t step = 1;
};

} // namespace

// --- Module ------------------------------------------------------------------------------------

bool CClapModule::open(const std::string& path, std::string& error)
{
    close();
    if (!library.open(path))
    {
        error = library.error();
        return false;
    }
    clapEntry = static_cast<const clap_plugin_entry*>(library.symbol("clap_entry"));
    if (!clapEntry || !clap_version_is_compatible(clapEntry->clap_version) ||
        !clapEntry->init(path.c_str()))
    {
        error = clapEntry ? "clap_entry.init failed" : "no clap_entry";
        clapEntry = nullptr;
        close();
        return false;
    }
    return true;
}

void CClapModule::close()
{
    if (clapEntry) clapEntry->deinit();
    clapEntry = nullptr;
    library.close();
}

const clap_plugin_factory* CClapModule::factory() const
{
    return clapEntry ? static_cast<const clap_plugin_factory*>(
                           clapEntry->get_factory(CLAP_PLUGIN_FACTORY_ID))
                     : nullptr;
}

// --- Host --------------------------------------------------------------------------------------

CClapTestHost::CClapTestHost()
{
    mainThread = std::this_thread::get_id();
    host.clap_version = CLAP_VERSION_OURS;
    host.host_data = this;
    host.name = "QUAR2 test host";
    host.vendor = "Tessel Audio";
    host.url = "";
    host.version = "1.0";
    host.request_restart = [](const clap_host* h) { ++mut(h).restartRequests; };
    host.request_process = [](const clap_host*) {};
    host.request_callback = [](const clap_host*) {};
    host.get_extension = [](const clap_host*, const char* id) -> const void*
    {
        static const clap_host_log log = {
            [](const clap_host* h, int32_t severity, const char* message)
            { mut(h).logs.emplace_back(severity, message ? message : ""); }};
        static const clap_host_thread_check threads = {
            [](const clap_host*) { return std::this_thread::get_id() == mainThread; },
            [](const clap_host*) { return onAudioThread; },
        };
        static const clap_host_params params = {
            [](const clap_host* h, uint32_t) { ++mut(h).rescans; },
            [](const clap_host*, clap_id, uint32_t) {},
            [](const clap_host* h) { ++mut(h).flushRequests; },
        };
        static const clap_host_latency latency = {[](const clap_host* h)
                                                  { ++mut(h).latencyChanges; }};
        static const clap_host_timer_support timers = {
            [](const clap_host* h, uint32_t period, clap_id* id)
            {
                CClapTestHost& self = mut(h);
                if (!id) return false;
                *id = self.nextTimer++;
                self.timers.emplace_back(*id, period);
                return true;
            },
            [](const clap_host* h, clap_id id)
            {
                auto& list = mut(h).timers;
                const auto n = list.size();
                std::erase_if(list, [id](auto& t) { return t.first == id; });
                return list.size() != n;
            },
        };
        static const clap_host_posix_fd_support fds = {
            [](const clap_host* h, int fd, uint32_t)
            {
                mut(h).fds.push_back(fd);
                return true;
            },
            [](const clap_host*, int, uint32_t) { return true; },
            [](const clap_host* h, int fd)
            {
                auto& list = mut(h).fds;
                const auto n = list.size();
                std::erase(list, fd);
                return list.size() != n;
            },
        };
        if (!id) return nullptr;
        const auto is = [id](const char* name) { return std::strcmp(id, name) == 0; };
        if (is(CLAP_EXT_LOG)) return &log;
        if (is(CLAP_EXT_THREAD_CHECK)) return &threads;
        if (is(CLAP_EXT_PARAMS)) return &params;
        if (is(CLAP_EXT_LATENCY)) return &latency;
        if (is(CLAP_EXT_TIMER_SUPPORT)) return &timers;
        if (is(CLAP_EXT_POSIX_FD_SUPPORT)) return &fds;
        return nullptr;
    };
}

bool CClapTestHost::create(const CClapModule& module, std::string& error, const char* id)
{
    destroy();
    const clap_plugin_factory* factory = module.factory();
    if (!factory)
    {
        error = "no plug-in factory";
        return false;
    }
    return adopt(factory->create_plugin(factory, &host, id), error);
}

bool CClapTestHost::adopt(const clap_plugin* made, std::string& error)
{
    destroy();
    instance = made;
    if (!instance)
    {
        error = "create_plugin answered null";
        return false;
    }
    if (!instance->init(instance))
    {
        error = "plugin init failed";
        instance->destroy(instance);
        instance = nullptr;
        return false;
    }
    return true;
}

void CClapTestHost::destroy()
{
    if (!instance) return;
    closeEditor();
    stop();
    instance->destroy(instance);
    instance = nullptr;
}

bool CClapTestHost::start(double rate, uint32_t maxFrames)
{
    if (!instance || active) return false;
    if (!instance->activate(instance, rate, 1, maxFrames)) return false;
    active = true;
    AudioScope audio(true);
    return instance->start_processing(instance);
}

void CClapTestHost::stop()
{
    if (!instance || !active) return;
    {
        AudioScope audio(true);
        instance->stop_processing(instance);
    }
    instance->deactivate(instance);
    active = false;
}

template <typename T>
clap_process_status CClapTestHost::run(T* const* in, T* const* out, uint32_t frames,
                                       const std::vector<TClapParamChange>& changes)
{
    EventList events = MakeEvents(changes);
    const clap_input_events inEvents = {&events, ListSize, ListGet};
    const clap_output_events outEvents = {&sent, PushSent};
    clap_audio_buffer input{};
    clap_audio_buffer output{};
    input.channel_count = output.channel_count = 2;
    if constexpr (sizeof(T) == sizeof(float))
    {
        input.data32 = const_cast<float**>(in);
        output.data32 = const_cast<float**>(out);
    }
    else
    {
        input.data64 = const_cast<double**>(in);
        output.data64 = const_cast<double**>(out);
    }
    clap_process p{};
    p.steady_time = -1;
    p.frames_count = frames;
    p.audio_inputs = &input;
    p.audio_outputs = &output;
    p.audio_inputs_count = p.audio_outputs_count = 1;
    p.in_events = &inEvents;
    p.out_events = &outEvents;
    AudioScope audio(true);
    return instance->process(instance, &p);
}

clap_process_status CClapTestHost::process(float* const* in, float* const* out, uint32_t frames,
                                           const std::vector<TClapParamChange>& changes)
{
    return run(in, out, frames, changes);
}

clap_process_status CClapTestHost::process(double* const* in, double* const* out, uint32_t frames,
                                           const std::vector<TClapParamChange>& changes)
{
    return run(in, out, frames, changes);
}

clap_process_status CClapTestHost::processRaw(clap_process p)
{
    EventList events;
    const clap_input_events inEvents = {&events, ListSize, ListGet};
    const clap_output_events outEvents = {&sent, PushSent};
    if (!p.in_events) p.in_events = &inEvents;
    if (!p.out_events) p.out_events = &outEvents;
    AudioScope audio(true);
    return instance->process(instance, &p);
}

void CClapTestHost::flush(const std::vector<TClapParamChange>& changes)
{
    const auto* params = extension<clap_plugin_params>(CLAP_EXT_PARAMS);
    if (!params) return;
    EventList events = MakeEvents(changes);
    const clap_input_events inEvents = {&events, ListSize, ListGet};
    const clap_output_events outEvents = {&sent, PushSent};
    AudioScope audio(active);
    params->flush(instance, &inEvents, &outEvents);
}

std::vector<uint8_t> CClapTestHost::save(size_t step)
{
    const auto* state = extension<clap_plugin_state>(CLAP_EXT_STATE);
    Bytes bytes;
    bytes.step = step;
    const clap_ostream stream = {&bytes, [](const clap_ostream* s, const void* data, uint64_t size)
                                 {
                                     auto& b = *static_cast<Bytes*>(s->ctx);
                                     const size_t n = std::min<size_t>(size, b.step);
                                     const auto* from = static_cast<const uint8_t*>(data);
                                     b.data.insert(b.data.end(), from, from + n);
                                     return int64_t(n);
                                 }};
    if (!state || !state->save(instance, &stream)) return {};
    return bytes.data;
}

bool CClapTestHost::load(const std::vector<uint8_t>& data, size_t step)
{
    const auto* state = extension<clap_plugin_state>(CLAP_EXT_STATE);
    Bytes bytes{data, 0, step};
    const clap_istream stream = {
        &bytes, [](const clap_istream* s, void* to, uint64_t size)
        {
            auto& b = *static_cast<Bytes*>(s->ctx);
            const size_t n = std::min<size_t>({size_t(size), b.step, b.data.size() - b.position});
            if (n > 0) std::memcpy(to, b.data.data() + b.position, n);
            b.position += n;
            return int64_t(n);
        }};
    return state && state->load(instance, &stream);
}

double CClapTestHost::value(clap_id id) const
{
    const auto* params = extension<clap_plugin_params>(CLAP_EXT_PARAMS);
    double v = -1e300;
    if (params) params->get_value(instance, id, &v);
    return v;
}

std::string CClapTestHost::text(clap_id id, double value) const
{
    const auto* params = extension<clap_plugin_params>(CLAP_EXT_PARAMS);
    char buffer[256] = {};
    if (!params || !params->value_to_text(instance, id, value, buffer, sizeof buffer)) return "?";
    return buffer;
}

bool CClapTestHost::openEditor(void* parent, std::string& error)
{
    const auto* gui = extension<clap_plugin_gui>(CLAP_EXT_GUI);
#ifdef _WIN32
    const char* api = CLAP_WINDOW_API_WIN32;
#else
    const char* api = CLAP_WINDOW_API_X11;
#endif
    if (!gui || !gui->is_api_supported(instance, api, false) || !gui->create(instance, api, false))
    {
        error = "no embedded editor for this platform's window api";
        return false;
    }
    editorCreated = true;
    uint32_t w = 0, h = 0;
    clap_window window{};
    window.api = api;
#ifdef _WIN32
    window.win32 = parent;
#else
    window.x11 = reinterpret_cast<uintptr_t>(parent);
#endif
    if (!gui->get_size(instance, &w, &h) || !gui->set_parent(instance, &window) ||
        !gui->show(instance))
    {
        error = "get_size, set_parent or show failed";
        return false;
    }
    return true;
}

void CClapTestHost::closeEditor()
{
    if (!editorCreated) return;
    if (const auto* gui = extension<clap_plugin_gui>(CLAP_EXT_GUI)) gui->destroy(instance);
    editorCreated = false;
}

void CClapTestHost::pumpEditor()
{
    if (!instance) return;
    if (const auto* t = extension<clap_plugin_timer_support>(CLAP_EXT_TIMER_SUPPORT))
        for (const auto& timer : std::vector(timers))
            t->on_timer(instance, timer.first);
#ifndef _WIN32
    if (const auto* f = extension<clap_plugin_posix_fd_support>(CLAP_EXT_POSIX_FD_SUPPORT))
        for (const int fd : std::vector(fds))
        {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 0) > 0 && (p.revents & POLLIN))
                f->on_fd(instance, fd, CLAP_POSIX_FD_READ);
        }
#endif
}

int CClapTestHost::misbehaviours() const
{
    return int(std::count_if(logs.begin(), logs.end(),
                             [](auto& l) { return l.first == CLAP_LOG_HOST_MISBEHAVING; }));
}
