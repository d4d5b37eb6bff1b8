#pragma once
// COstraClap: one QUAR2 instance as a CLAP host sees it. It owns a COstraBridge (the VST 2.4
// plug-in object driven with a VST 2.4 host's calls) and turns the host's CLAP calls into bridge
// calls: life cycle, audio with parameter events applied at their sample offsets (the block is
// split there, so the slider code runs between the parts), parameters in plain values, the state
// chunk over streams, the ports, the latency and the embedded editor. It answers the bridge's
// host services with CLAP's own means (gestures as output events, restart requests).
//
// Every entry point below is reached from a static table (OstraClapTables.cpp) that has already
// found the instance and caught every exception; the thread rules are checked here.

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "clap/ClapAbi.h"
#include "clap/ClapEditQueue.h"
#include "clap/ClapThreadRules.h"
#include "plugin/OstraBridge.h"

class COstraClap final : public COstraHostServices
{
  public:
    // Longest stretch handed to the bridge in one call: larger host blocks are cut to it, and
    // the scratch buffers (missing channels, sample-size conversion) have this many frames.
    static constexpr uint32_t kMaxChunk = 8192;

    // [main or any: the factory] Makes no bridge and calls nothing of the host yet.
    COstraClap(const clap_host* host, const clap_plugin_descriptor* descriptor);
    ~COstraClap() override;
    COstraClap(const COstraClap&) = delete;
    COstraClap& operator=(const COstraClap&) = delete;

    const clap_plugin* clapPlugin() const { return &plugin; }
    // The instance behind a plug-in pointer the host hands back, or null for a pointer that
    // is not one of ours.
    static COstraClap* from(const clap_plugin* p);

    // --- clap_plugin
    // ------------------------------------------------------------------------------
    bool init();
    void destroy();
    bool activate(double sampleRate, uint32_t minFrames, uint32_t maxFrames);
    void deactivate();
    bool startProcessing();
    void stopProcessing();
    void reset();
    clap_process_status process(const clap_process& p);
    const void* extension(const char* id) const;
    void onMainThread();

    // --- clap.params ---------------------------------------------------------------------------
    uint32_t hostParamCount() const; // params.count, thread-checked
    uint32_t paramCount() const;
    bool paramInfo(uint32_t index, clap_param_info* info) const;
    bool paramValue(clap_id id, double* value) const;
    bool valueToText(clap_id id, double value, char* text, uint32_t capacity) const;
    bool textToValue(clap_id id, const char* text, double* value) const;
    void flush(const clap_input_events* in, const clap_output_events* out);

    // --- clap.state, clap.audio-ports, clap.latency --------------------------------------------
    bool save(const clap_ostream* stream);
    bool load(const clap_istream* stream);
    uint32_t portCount(bool isInput) const;
    bool portInfo(uint32_t index, bool isInput, clap_audio_port_info* info) const;
    uint32_t latency() const;

    // --- clap.gui, clap.timer-support, clap.posix-fd-support (OstraClapEditor.cpp) --------------
    bool guiApiSupported(const char* api, bool floating) const;
    bool guiPreferredApi(const char** api, bool* floating) const;
    bool guiCreate(const char* api, bool floating);
    void guiDestroy();
    bool guiSize(uint32_t* width, uint32_t* height) const;
    bool guiResizeHints(clap_gui_resize_hints* hints) const;
    bool guiAdjustSize(uint32_t* width, uint32_t* height) const;
    bool guiSetSize(uint32_t width, uint32_t height) const;
    bool guiSetParent(const clap_window* window);
    bool guiShow();
    bool guiHide();
    void onTimer(clap_id timer);
    void onFd(int fd, uint32_t flags);

    // --- COstraHostServices: what the plug-in object asks of the host ----------------------------
    void beginEdit(int32_t index) override;
    void performEdit(int32_t index, double normalized) override;
    void endEdit(int32_t index) override;
    void latencyChanged(int32_t frames) override;
    void displayChanged() override;

    const CClapThreadRules& rules() const { return threadRules; }

  private:
    // One input event: a parameter value (core space, one of ours, finite) goes to the bridge
    // as its normalised value; every other event is skipped.
    void applyEvent(const clap_event_header& event);
    // The editor's queued edits into `out` (kept when the host's list refuses them).
    void sendEdits(const clap_output_events* out);
    // The block's transport (null: none) as the bridge's time information, `offset` frames on.
    void setTime(const clap_event_transport* transport, uint32_t offset);
    // One stretch of the block [offset, offset + frames) through the bridge (frames <= kMaxChunk).
    template <typename T>
    void processStretch(const clap_process& p, uint32_t offset, uint32_t frames);
    void queueEdit(uint16_t type, int32_t index, double value);
    // The editor's periodic step's sources: a host timer on Linux (with the X connection's
    // descriptor), a window timer on Windows.
    void startEditorTicks();
    void stopEditorTicks();

    clap_plugin plugin{};
    const clap_host* host = nullptr;
    const clap_host_params* hostParams = nullptr;
    const clap_host_latency* hostLatency = nullptr;
    const clap_host_timer_support* hostTimers = nullptr;
    const clap_host_posix_fd_support* hostFds = nullptr;
    CClapThreadRules threadRules;
    std::unique_ptr<COstraBridge> bridge;

    std::atomic<bool> isActive{false};
    std::atomic<bool> isProcessing{false};
    bool isActivating = false;
    double rate = 44100.0;
    uint32_t chunkFrames = kMaxChunk;
    int32_t reportedLatency = -1; // what the host was last told (or read), -1 before activation
    std::atomic<bool> restartRequested{false};
    std::atomic<bool> rescanRequested{false};
    bool warnedNotProcessing = false; // [audio]
    // Zeros for missing inputs, a sink for missing outputs, and the input in the output's
    // sample size when the host mixes sizes (kMaxChunk frames per channel, made in activate).
    std::vector<float> scratch32;
    std::vector<double> scratch64;
    CClapEditQueue edits;

    // Editor.
    bool guiCreated = false;
    bool guiTicking = false;
    clap_id timerId = CLAP_INVALID_ID;
    int watchedFd = -1;
    void* guiParent = nullptr;
};
