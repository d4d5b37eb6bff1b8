#pragma once
// One plug-in instance as a host drives it: made through an entry point of a loaded library
// with a CHostCallback, then driven through typed helpers over the dispatcher, the parameter
// entries and the audio entries of its effect record. The instance is closed (effClose, which
// makes the plug-in delete itself) when this object goes or close() is called.
//
// Threads: everything except the processing helpers belongs to the host's UI thread; the
// processing helpers belong to its audio thread.

#include "host/lib/HostCallback.h"
#include "host/lib/VstLibrary.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CVstPlugin
{
  public:
    // [UI thread] Calls `entry` with CHostCallback::callback while `host` answers, checks the
    // record's magic and binds it to `host`. Null, with a reason in `error`, when the entry is
    // missing, answers null, or hands back a record without the magic. Does not send effOpen.
    static std::unique_ptr<CVstPlugin> create(VstPluginMainProc entry, CHostCallback& host,
                                              std::string& error);
    ~CVstPlugin() { close(); }
    CVstPlugin(const CVstPlugin&) = delete;
    CVstPlugin& operator=(const CVstPlugin&) = delete;

    // The effect record; null after close().
    AEffect* effect() const { return record; }
    CHostCallback& host() const { return *callbacks; }

    // [UI thread] The raw dispatcher; 0 after close().
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);
    // [UI thread] A text request (names, labels, display texts, program name, effect, vendor
    // and product names) through a 512-byte zeroed buffer, far beyond every limit of the
    // interface, read back up to its first zero. `overrun` (when given) tells whether the
    // plug-in wrote into the guard part beyond `limit` bytes.
    std::string text(VstInt32 opcode, VstInt32 index = 0, int limit = 256, bool* overrun = nullptr);

    // --- Life cycle (UI thread) -------------------------------------------------------------
    void open() { dispatch(effOpen); }
    // effClose; the record is gone afterwards.
    void close();
    // Sets the host's and the plug-in's sample rate (Hz) and block size (frames).
    void setSampleRate(float rate);
    void setBlockSize(VstInt32 frames);
    void resume() { dispatch(effMainsChanged, 0, 1); }
    void suspend() { dispatch(effMainsChanged, 0, 0); }

    // --- Identity (UI thread) ---------------------------------------------------------------
    std::string effectName() { return text(effGetEffectName); }
    std::string vendorString() { return text(effGetVendorString); }
    std::string productString() { return text(effGetProductString); }
    VstInt32 vendorVersion() { return static_cast<VstInt32>(dispatch(effGetVendorVersion)); }
    VstInt32 vstVersion() { return static_cast<VstInt32>(dispatch(effGetVstVersion)); }
    VstInt32 category() { return static_cast<VstInt32>(dispatch(effGetPlugCategory)); }
    VstIntPtr canDo(const std::string& what);

    // --- Parameters and programs (UI thread; the value entries on any thread) ---------------
    VstInt32 numParams() const { return record ? record->numParams : 0; }
    std::string parameterName(VstInt32 index) { return text(effGetParamName, index); }
    std::string parameterLabel(VstInt32 index) { return text(effGetParamLabel, index); }
    std::string parameterDisplay(VstInt32 index) { return text(effGetParamDisplay, index); }
    float getParameter(VstInt32 index);
    void setParameter(VstInt32 index, float value);
    std::string programName() { return text(effGetProgramName); }
    void setProgramName(const std::string& name);

    // --- State chunk (UI thread) ------------------------------------------------------------
    // Copies the plug-in's chunk; empty when it hands out none.
    std::vector<uint8_t> getChunk(bool isPreset = false);
    // Hands `bytes` to the plug-in; answers the plug-in's answer.
    VstIntPtr setChunk(const std::vector<uint8_t>& bytes, bool isPreset = false);

    // --- Editor (UI thread) -----------------------------------------------------------------
    // The editor rectangle; false when the plug-in has none to report.
    bool editorRect(ERect& rect);

    // --- Audio (audio thread) ---------------------------------------------------------------
    // One block through processReplacing / processDoubleReplacing, exactly as given; the
    // transport moves on by `frames` afterwards.
    void processReplacing(float** inputs, float** outputs, VstInt32 frames);
    void processDoubleReplacing(double** inputs, double** outputs, VstInt32 frames);
    // Whole signals, one vector per channel (numInputs in, numOutputs out, all the same
    // length), cut into blocks of at most the block size set with setBlockSize.
    std::vector<std::vector<float>> processFloat(const std::vector<std::vector<float>>& input);
    std::vector<std::vector<double>> processDouble(const std::vector<std::vector<double>>& input);
    VstInt32 latency() const { return record ? record->initialDelay : 0; }

  private:
    CVstPlugin(AEffect* record, CHostCallback& host) : record(record), callbacks(&host) {}
    template <typename Sample, typename Process>
    std::vector<std::vector<Sample>> processSignal(const std::vector<std::vector<Sample>>& input,
                                                   Process process);

    AEffect* record = nullptr;
    CHostCallback* callbacks = nullptr;
    VstInt32 blockFrames = 1024;
};
