#pragma once
// COstraBridge: the plug-in as the VST3 and CLAP adapters see it. It makes one instance of the
// plug-in object (COstra around the leveller's runtime, exactly as the VST 2.4 entry point makes
// it) and drives it through the instance's effect record, with the very calls a VST 2.4 host
// makes: every format therefore runs the one audio call, parameter path, state chunk and editor,
// inside the same floating-point scope and behind the same index and pointer checks. What the
// plug-in object asks of its host (time information, parameter gestures, a changed latency, a
// redraw of the host's parameter display) reaches the adapter through COstraHostServices.
//
// Parameter facts (titles, units, ranges, steps, step names, defaults, display texts) come from
// the slider records, which the effect declares from its one parameter table; the adapters read
// them here, in the normalised 0..1 values of the record's range and in plain slider values.
//
// Threads: the adapter's own threading rules apply (UI thread for everything but process,
// setParameter and setTime, which may come on the audio thread). The bridge takes no locks.

#include <cstddef>
#include <cstdint>

#include "vst/AEffectX.h"

class COstra;
struct SliderRecord;

// What the plug-in object needs from the format's host. The adapter implements it and must
// outlive the bridge.
class COstraHostServices
{
  public:
    virtual ~COstraHostServices() = default;
    // [UI thread] The editor's mouse starts, moves and ends a gesture on parameter `index`; the
    // value (normalised, as getParameter answers it) is already in force in the plug-in.
    virtual void beginEdit(int32_t index) = 0;
    virtual void performEdit(int32_t index, double normalized) = 0;
    virtual void endEdit(int32_t index) = 0;
    // [any thread] The look-ahead changed while the plug-in runs (it is fixed today: nothing
    // calls this after the first resume unless the effect changes its latency).
    virtual void latencyChanged(int32_t frames) = 0;
    // [any thread] Names or display texts of parameters changed: the host should re-read them.
    virtual void displayChanged() {}
};

// Transport and musical time of the block about to be processed, as far as the host knows it.
struct TOstraTime
{
    double samplePosition = 0.0; // project time in samples
    bool playing = false;
    bool recording = false;
    bool tempoValid = false;
    double tempo = 0.0; // BPM
    bool musicValid = false;
    double ppqPosition = 0.0; // quarter notes
    bool barValid = false;
    double barStart = 0.0; // quarter notes
    bool timeSignatureValid = false;
    int32_t timeSigNumerator = 0;
    int32_t timeSigDenominator = 0;
};

// One parameter as a host-facing table row.
struct TOstraParameterInfo
{
    const char* name = "";  // the VST 2.4 name, e.g. "Push Down [dB]"
    const char* title = ""; // without the unit, e.g. "Push Down"
    const char* unit = "";  // e.g. "dB"; "" where the value has none
    double minimum = 0.0;   // plain slider values
    double maximum = 1.0;
    double defaultValue = 0.0;
    double defaultNormalized = 0.0;
    // Number of steps between minimum and maximum for a stepped parameter (values = steps + 1),
    // 0 for a continuous one (Display Speed's 0.1 s step counts as continuous: 90 steps).
    int32_t stepCount = 0;
    // True when the display texts are names of the steps ("Off", "20Hz", ...).
    bool isList = false;
};

class COstraBridge
{
  public:
    // Size of the text buffers the display calls fill (the VST 2.4 parameter text size is
    // smaller; longer texts are never produced).
    static constexpr size_t kTextBytes = 64;

    // [UI thread] Makes the instance and opens it (effOpen). `services` must outlive the bridge.
    // Check valid(): false when the instance could not be made (out of memory).
    explicit COstraBridge(COstraHostServices& services);
    // [UI thread] Closes the editor if open, suspends if running, closes and deletes the instance.
    ~COstraBridge();
    COstraBridge(const COstraBridge&) = delete;
    COstraBridge& operator=(const COstraBridge&) = delete;

    bool valid() const { return effect != nullptr; }

    // --- Identity and set-up ----------------------------------------------------------------
    int32_t channelCount() const;    // inputs = outputs (2)
    int32_t latency() const;         // the effect record's initialDelay (64)
    int32_t uniqueId() const;        // the VST 2.4 unique id ('QUAR')
    int32_t vendorVersion() const;   // 1000 = 1.0.0
    // [UI thread, suspended] The rate and the largest block; values a host cannot mean (not
    // finite or <= 0; blocks < 1) are refused with false and change nothing.
    bool setSampleRate(double rate);
    bool setBlockSize(int32_t frames);
    // [UI thread] effMainsChanged 1 / 0; repeated calls in one state do nothing.
    void resume();
    void suspend();
    bool running() const { return isRunning; }

    // --- Audio [audio thread] ------------------------------------------------------------------
    // The block's time information (null: none); in force until the next call.
    void setTime(const TOstraTime* time);
    // Processes `frames` frames of channelCount() channels; buffers may be the same memory
    // (in place). Frames <= 0 do nothing.
    void process(float* const* inputs, float* const* outputs, int32_t frames);
    void process(double* const* inputs, double* const* outputs, int32_t frames);

    // --- Parameters ---------------------------------------------------------------------------
    int32_t parameterCount() const;
    // False (and `info` untouched) for an index out of range.
    bool parameterInfo(int32_t index, TOstraParameterInfo& info) const;
    // [any thread] The host's parameter path: `normalized` is clamped to 0..1 (NaN ignored).
    void setParameter(int32_t index, double normalized);
    // [any thread] The current normalised value (0 for an index out of range).
    double getParameter(int32_t index) const;
    // Plain slider value <-> normalised value of the record's range (clamped to 0..1 / to the
    // range; the plain value of a normalised one is snapped to the record's step).
    double plainValue(int32_t index, double normalized) const;
    double normalizedValue(int32_t index, double plain) const;
    // [UI thread] The display text the host would show at `normalized` (the same text the
    // VST 2.4 display gives once the parameter is at that value), in `text` of `bytes` bytes.
    // False with "" for an index out of range.
    bool displayText(int32_t index, double normalized, char* text, size_t bytes) const;
    // [UI thread] The normalised value a typed text means: a step name (case-insensitive) or a
    // number in the parameter's plain unit, with or without the unit; false for anything else.
    bool parseText(int32_t index, const char* text, double& normalized) const;

    // --- State [UI thread] ---------------------------------------------------------------------
    // The state chunk (the same bytes as the VST 2.4 chunk); `data` stays valid until the next
    // call. Answers its size, 0 when there is none.
    int32_t saveState(const void** data);
    // Loads a chunk; false when the bytes were refused (nothing changed then).
    bool loadState(const void* data, int32_t bytes);

    // --- Editor [UI thread] --------------------------------------------------------------------
    bool hasEditor() const;
    // The editor's fixed size in pixels (430 x 600); false without an editor.
    bool editorSize(int32_t& width, int32_t& height) const;
    // Opens the editor in `parent` (an HWND on Windows, an X11 window id on Linux); closes an
    // open one first.
    bool openEditor(void* parent);
    void closeEditor();
    bool editorOpen() const { return isEditorOpen; }
    // The editor's periodic step: the script's redraw timer, pending window events, paints.
    void idleEditor();
    // Linux: the file descriptor of the open editor's X connection, to be watched by the host's
    // run loop (readable -> idleEditor()); -1 when closed and on Windows.
    int editorConnection() const;

    // The plug-in object, for tests and the adapters' diagnostics.
    COstra* plugin() const;

  private:
    static VstIntPtr hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                  VstIntPtr value, void* ptr, float opt);
    const SliderRecord* recordOf(int32_t index) const;
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f) const;

    COstraHostServices& services;
    AEffect* effect = nullptr;
    bool isRunning = false;
    bool isEditorOpen = false;
    bool timeKnown = false;
    VstTimeInfo timeInfo{};
    double sampleRate = 44100.0;
    int32_t blockSize = 1024;
};
