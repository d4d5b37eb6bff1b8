#pragma once
// COstra: the plug-in object a VST 2.4 host sees. It presents an effect-script runtime as a
// VST 2.4 effect, reaching the runtime only through its copy of the callback table
// (TOstraCallbacks), and serves the runtime as its adapter to the host and the editor
// (CXlatAdapter): host values, time information, latency, editor redraws, fonts and MIDI.
//
// Threads: the host calls the dispatcher on its UI thread, the audio entries and
// effProcessEvents on its audio thread, setParameter on either. COstra takes no locks.

#include <atomic>
#include <cstdint>
#include <vector>

#include "graphics/FontCache.h"
#include "plugin/OstraCallbackTable.h"
#include "runtime/XlatAdapter.h"
#include "vst/AudioEffectX.h"

class TXlat;

class COstra : public AudioEffectX, public CXlatAdapter
{
  public:
    // Size of the ring of received MIDI events.
    static constexpr int32_t kMidiRingSize = 1000;

    // [loading thread] Use CreateOstra. `runtime` becomes owned (deleted through the Destroy
    // entry); `callbacks` is copied.
    COstra(TXlat* runtime, const TOstraCallbacks& callbacks, audioMasterCallback audioMaster,
           VstInt32 numPrograms, VstInt32 numParams);
    // [UI thread] Releases the font cache, runs the Destroy entry (deletes the runtime), then the
    // base deletes the editor.
    ~COstra() override;

    // The runtime object this plug-in presents (owned); the callbacks cast it back.
    TXlat* getRuntime() const { return runtime; }
    // [loading thread] Gives the runtime back to the caller of CreateOstra, for an instance that
    // could not be completed: deleting the object then leaves the runtime alone.
    void detachRuntime() { runtime = nullptr; }
    // The instance's copy of the callback table (the editor and its view use it too).
    const TOstraCallbacks& getCallbacks() const { return callbacks; }

    // The script view's drawing context while the view draws, null otherwise; the view sets
    // and clears it around the Draw entry. [UI thread]
    CDrawContext* drawContext = nullptr;

    // --- AudioEffect / AudioEffectX overrides, each through its callback entry ---------------
    void open() override;
    void close() override;
    // Marks the plug-in as no longer running, then the Suspend entry.
    void suspend() override;
    // The want-events step of AudioEffectX, then the Resume entry (init hook, slider hook, which
    // report the latency), then marks the plug-in as running.
    void resume() override;
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void processDoubleReplacing(double** inputs, double** outputs, VstInt32 sampleFrames) override;
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    void getParameterLabel(VstInt32 index, char* text) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    void getParameterName(VstInt32 index, char* text) override;
    VstInt32 getChunk(void** data, bool isPreset) override;
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    // [audio thread] Keeps the MIDI events of the list in the ring; answers 1.
    VstInt32 processEvents(VstEvents* events) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override;
    // Only "receiveVstMidiEvent" is known: it answers the current flags with 0x100 set (the
    // deliberate non-1 answer keeps resume from sending the deprecated want-events call);
    // every other text answers -1.
    VstInt32 canDo(char* text) override;

    // --- CXlatAdapter: the runtime's view of host and editor ---------------------------------
    int32_t getChannelCount() override { return cEffect.numInputs; }
    int32_t getOutputChannelCount() override { return cEffect.numOutputs; }
    double getSampleRate() override { return sampleRate; }
    int32_t getBlockSize() override { return blockSize; }
    double getTempo() override;
    void getTempoAndTimeSig(double& tempo, double& numerator, double& denominator) override;
    bool isPlaying() override;
    bool isRecording() override;
    double getPpqPosition() override;
    double getBarStart() override;
    int32_t updateDisplay() override;
    // [any thread] Writes AEffect.initialDelay. Hosts read it when they resume the plug-in, so a
    // change while it runs is also announced with audioMasterIOChanged.
    int32_t setLatency(int32_t frames) override;
    int32_t redrawEditor() override;
    bool getEditorSize(int32_t& width, int32_t& height) override;
    CDrawContext* getScriptDrawContext() override { return drawContext; }
    CFontCache* getFontCache() override { return &fontCache; }
    // [UI thread] The editor's edits: audioMasterBeginEdit, audioMasterAutomate (the value as
    // getParameter answers it) and audioMasterEndEdit for the parameter index.
    void beginParameterEdit(int32_t index) override;
    void parameterEdited(int32_t index, double value) override;
    void endParameterEdit(int32_t index) override;
    bool sendMidi(int32_t deltaFrames, int32_t b0, int32_t b1, int32_t b2) override;
    bool sendSysex(int32_t deltaFrames, const void* dump, int32_t size) override;
    bool receiveMidi(int32_t& deltaFrames, int32_t& b0, int32_t& b1, int32_t& b2) override;

  private:
    TXlat* runtime = nullptr;
    // True between a completed resume and the next suspend: the host has read the latency.
    std::atomic<bool> running{false};
    int32_t midiWriteIndex = 0; // next ring slot processEvents fills
    int32_t midiReadIndex = 0;  // next ring slot receiveMidi reads
    CFontCache fontCache;
    std::vector<VstMidiEvent> midiEvents; // kMidiRingSize records, made at construction
    const TOstraCallbacks callbacks;
};

// [loading thread] Asks the host for its version (an answer of 0 means no instance: null is
// returned and nothing is made), then makes the plug-in object around `runtime` and `callbacks`,
// declares float and double processing and runs the Create entry. The runtime stays the
// caller's when null is returned, and when an allocation fails (the std::bad_alloc is passed on,
// with nothing of the half-made instance left).
COstra* CreateOstra(TXlat* runtime, const TOstraCallbacks& callbacks,
                    audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);
