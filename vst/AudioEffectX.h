#pragma once
// AudioEffectX: the extended plug-in class. It answers dispatcher opcodes 25..79 (events, names,
// categories, canDo, editor keys and knob mode, speaker arrangements, process precision, ...)
// with the neutral VST 2.4 answers, leaves 0..24 to AudioEffect, and adds the extended host
// calls (time information, events to the host, display updates, parameter gestures, host
// queries). A plug-in overrides the operations it supports.

#include "vst/AudioEffect.h"

class AudioEffectX : public AudioEffect
{
  public:
    // Also declares replacing processing (effFlagsCanReplacing).
    AudioEffectX(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);
    ~AudioEffectX() override = default;

    // [UI thread; effProcessEvents on the audio thread] Opcodes 25..79 here, the rest below.
    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                         float opt) override;

    // [UI thread] Tells a host that still needs it (the deprecated want-events call) that the
    // plug-in takes MIDI: only synths and plug-ins whose canDo("receiveVstMidiEvent") answers
    // exactly 1 send it.
    void resume() override;

    // --- Extended plug-in operations (neutral answers) --------------------------------------
    // [audio thread] Events for the next block; `events` is never null here. Answer 1 when
    // taken.
    virtual VstInt32 processEvents(VstEvents* /*events*/) { return 0; }
    virtual bool canParameterBeAutomated(VstInt32 /*index*/) { return true; }
    virtual bool string2parameter(VstInt32 /*index*/, char* /*text*/) { return false; }
    virtual bool getProgramNameIndexed(VstInt32 /*category*/, VstInt32 /*index*/, char* /*text*/)
    {
        return false;
    }
    virtual bool getInputProperties(VstInt32 /*index*/, void* /*properties*/) { return false; }
    virtual bool getOutputProperties(VstInt32 /*index*/, void* /*properties*/) { return false; }
    // kPlugCategSynth with effFlagsIsSynth, kPlugCategUnknown otherwise.
    virtual VstInt32 getPlugCategory();
    virtual bool processVariableIo(void* /*varIo*/) { return false; }
    virtual bool setSpeakerArrangement(void* /*inputs*/, void* /*outputs*/) { return false; }
    // Writes null to both arrangement pointers (when given) and answers false: the plug-in
    // keeps no arrangement of its own.
    virtual bool getSpeakerArrangement(void** inputs, void** outputs);
    virtual bool setBypass(bool /*onOff*/) { return false; }
    // [UI thread] Names for the host; `text` is a host buffer (never null here).
    virtual bool getEffectName(char* /*name*/) { return false; }
    virtual bool getVendorString(char* /*text*/) { return false; }
    virtual bool getProductString(char* /*text*/) { return false; }
    virtual VstInt32 getVendorVersion() { return 0; }
    virtual VstIntPtr vendorSpecific(VstInt32 /*lArg*/, VstIntPtr /*lArg2*/, void* /*ptrArg*/,
                                     float /*floatArg*/)
    {
        return 0;
    }
    // [UI thread] 1 = can do, -1 = cannot, 0 = don't know. `text` is never null here.
    virtual VstInt32 canDo(char* /*text*/) { return 0; }
    virtual VstInt32 getGetTailSize() { return 0; }
    virtual bool getParameterProperties(VstInt32 /*index*/, void* /*properties*/) { return false; }
    virtual VstInt32 getVstVersion() { return kVstVersion; }
    virtual VstInt32 getMidiProgramName(VstInt32 /*channel*/, void* /*name*/) { return 0; }
    virtual VstInt32 getCurrentMidiProgram(VstInt32 /*channel*/, void* /*name*/) { return -1; }
    virtual VstInt32 getMidiProgramCategory(VstInt32 /*channel*/, void* /*category*/) { return 0; }
    virtual bool hasMidiProgramsChanged(VstInt32 /*channel*/) { return false; }
    virtual bool getMidiKeyName(VstInt32 /*channel*/, void* /*keyName*/) { return false; }
    virtual bool beginSetProgram() { return false; }
    virtual bool endSetProgram() { return false; }
    virtual VstInt32 getNextShellPlugin(char* /*name*/) { return 0; }
    virtual VstInt32 startProcess() { return 0; }
    virtual VstInt32 stopProcess() { return 0; }
    // Answers the total number of frames an offline render will process, as given.
    virtual VstInt32 setTotalSampleToProcess(VstInt32 value) { return value; }
    virtual bool setPanLaw(VstInt32 /*type*/, float /*value*/) { return false; }
    virtual VstInt32 beginLoadBank(void* /*patchChunkInfo*/) { return 0; }
    virtual VstInt32 beginLoadProgram(void* /*patchChunkInfo*/) { return 0; }
    virtual bool setProcessPrecision(VstInt32 /*precision*/) { return false; }
    virtual VstInt32 getNumMidiInputChannels() { return 0; }
    virtual VstInt32 getNumMidiOutputChannels() { return 0; }

    // --- Effect record set-up ---------------------------------------------------------------
    // Sets or clears effFlagsIsSynth.
    virtual void isSynth(bool state = true) { setFlag(effFlagsIsSynth, state); }

    // --- Calls to the host ------------------------------------------------------------------
    // [any thread] The host's time information with at least the fields of `filter`
    // (VstTimeInfoFlags) valid, or null when the host gives none. Owned by the host.
    virtual VstTimeInfo* getTimeInfo(VstInt32 filter);
    // [audio thread] Sends events to the host; true when the host answered exactly 1.
    virtual bool sendVstEventsToHost(VstEvents* events);
    // [any thread] Asks the host to re-read names, values and programs; 1 when the host
    // answered non-zero. (An int32 answer, so that a plug-in class that also serves the
    // effect-script runtime overrides both with one function.)
    virtual VstInt32 updateDisplay();
    // [any thread] Tells the host that the inputs, outputs or latency changed.
    virtual bool ioChanged();
    // [UI thread] A user gesture on parameter `index` starts / ends; true when the host
    // answered non-zero.
    virtual bool beginEdit(VstInt32 index);
    virtual bool endEdit(VstInt32 index);
    // [UI thread] The deprecated call with which old hosts learn that a plug-in wants MIDI.
    virtual void wantEvents(VstInt32 filter = 1);
    // [UI thread] Host identity: the text is copied into `text`, a caller buffer of at least
    // kVstMaxVendorStrLen / kVstMaxProductStrLen bytes; true when the host answered non-zero.
    virtual bool getHostVendorString(char* text);
    virtual bool getHostProductString(char* text);
    virtual VstInt32 getHostVendorVersion();
    virtual VstInt32 getHostLanguage();
};
