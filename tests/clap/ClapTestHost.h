#pragma once
// A small CLAP host for the tests: loads a .clap file (through CVstLibrary), reads its data
// export clap_entry, makes plug-ins through the factory and drives them as a host does. The host
// side offers log (kept, with severities), thread-check (the test's main thread; the audio
// thread is whichever thread is inside process), params, latency, timer-support and
// posix-fd-support (run by pumpEditor), so the plug-in's calls to the host can be checked.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "clap/ClapAbi.h"
#include "host/lib/VstLibrary.h"

class CClapModule
{
  public:
    CClapModule() = default;
    ~CClapModule() { close(); }
    CClapModule(const CClapModule&) = delete;
    CClapModule& operator=(const CClapModule&) = delete;

    // Loads the file and runs clap_entry.init with its path; false with a reason.
    bool open(const std::string& path, std::string& error);
    // clap_entry.deinit, then unloads.
    void close();
    const clap_plugin_entry* entry() const { return clapEntry; }
    const clap_plugin_factory* factory() const;

  private:
    CVstLibrary library;
    const clap_plugin_entry* clapEntry = nullptr;
};

// One parameter change for process(): at sample `time`, parameter `id` to the plain `value`.
struct TClapParamChange
{
    uint32_t time;
    clap_id id;
    double value;
};

class CClapTestHost
{
  public:
    CClapTestHost();
    ~CClapTestHost() { destroy(); }
    CClapTestHost(const CClapTestHost&) = delete;
    CClapTestHost& operator=(const CClapTestHost&) = delete;

    // Makes and inits the plug-in `id` of `module`; false with a reason.
    bool create(const CClapModule& module, std::string& error,
                const char* id = "com.tesselaudio.quar2");
    // Takes a plug-in made some other way (in this program) for `clapHost()`, and inits it.
    bool adopt(const clap_plugin* made, std::string& error);
    const clap_host* clapHost() const { return &host; }
    // Deactivates (when active) and destroys the plug-in.
    void destroy();
    const clap_plugin* plugin() const { return instance; }
    template <typename T> const T* extension(const char* id) const
    {
        return instance ? static_cast<const T*>(instance->get_extension(instance, id)) : nullptr;
    }

    // activate + start_processing; stop_processing + deactivate.
    bool start(double rate, uint32_t maxFrames);
    void stop();
    // One process call over stereo buffers with `changes` as PARAM_VALUE input events (in time
    // order); the output events the plug-in pushes are kept in `sent`. Answers the status.
    clap_process_status process(float* const* in, float* const* out, uint32_t frames,
                                const std::vector<TClapParamChange>& changes = {});
    clap_process_status process(double* const* in, double* const* out, uint32_t frames,
                                const std::vector<TClapParamChange>& changes = {});
    // A process call as given (events empty when the call names none), on the audio thread.
    clap_process_status processRaw(clap_process p);
    // params.flush with `changes`.
    void flush(const std::vector<TClapParamChange>& changes);

    // state.save through a stream that takes at most `step` bytes a call; empty on failure.
    std::vector<uint8_t> save(size_t step = 7);
    // state.load through a stream that hands out at most `step` bytes a call.
    bool load(const std::vector<uint8_t>& bytes, size_t step = 5);

    // clap.params
    double value(clap_id id) const;
    std::string text(clap_id id, double value) const;

    // The editor in the window `parent` (HWND or X11 window id): gui.create, get_size,
    // set_parent, show. gui.destroy closes it.
    bool openEditor(void* parent, std::string& error);
    void closeEditor();
    // [main] One round of the host's run loop for the editor: every timer due and, on Linux,
    // every registered descriptor that is readable.
    void pumpEditor();

    // What the plug-in asked of the host.
    std::vector<std::pair<int32_t, std::string>> logs;
    std::vector<std::vector<uint8_t>> sent; // output events, as bytes
    int rescans = 0;
    int flushRequests = 0;
    int restartRequests = 0;
    int latencyChanges = 0;
    std::vector<std::pair<clap_id, uint32_t>> timers; // id, period
    std::vector<int> fds;
    // Logged host-misbehaviour messages.
    int misbehaviours() const;

  private:
    template <typename T>
    clap_process_status run(T* const* in, T* const* out, uint32_t frames,
                            const std::vector<TClapParamChange>& changes);
    static const CClapTestHost& self(const clap_host* h)
    {
        return *static_cast<const CClapTestHost*>(h->host_data);
    }
    static CClapTestHost& mut(const clap_host* h)
    {
        return *static_cast<CClapTestHost*>(h->host_data);
    }

    clap_host host{};
    const clap_plugin* instance = nullptr;
    bool active = false;
    bool editorCreated = false;
    clap_id nextTimer = 1;
};
