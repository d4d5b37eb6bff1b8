#pragma once
// AudioEffect: the basic plug-in class. It owns the effect record handed to the host, routes
// the record's function pointers to virtual operations of the object (the class trampolines),
// answers dispatcher opcodes 0..24 and offers the calls a plug-in makes to the host.
//
// Everything here has the neutral VST 2.4 answer; a plug-in overrides what it supports.
// Threads: the host calls the dispatcher on its user-interface thread, the audio entries and
// effProcessEvents on its audio thread; setParameter may come from either.

#include "vst/AEffEditor.h"
#include "vst/AEffectX.h"

class AudioEffect
{
  public:
    // Fills the effect record: magic, the class trampolines, the counts, version 1, ioRatio 1,
    // one input and two outputs, `object` = this. `audioMaster` may be null (no host calls).
    AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);
    // Deletes the editor, if any.
    virtual ~AudioEffect();
    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    // [any thread] The record the host holds.
    AEffect* getAeffect() { return &cEffect; }

    // --- Dispatcher ------------------------------------------------------------------------
    // [UI thread, effProcessEvents on the audio thread] Answers opcodes 0..24; everything
    // else answers 0.
    virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                 float opt);

    // --- State changes ---------------------------------------------------------------------
    virtual void open() {}    // [UI thread] effOpen
    virtual void close() {}   // [UI thread] effClose, just before the object is deleted
    virtual void suspend() {} // [UI thread] effMainsChanged 0
    virtual void resume() {}  // [UI thread] effMainsChanged 1
    // [UI thread] Sample rate in Hz; only stored.
    virtual void setSampleRate(float newRate) { sampleRate = newRate; }
    // [UI thread] Largest block the host will pass, in frames; only stored.
    virtual void setBlockSize(VstInt32 newSize) { blockSize = newSize; }

    // --- Audio -----------------------------------------------------------------------------
    // [audio thread] The deprecated accumulating call; does nothing.
    virtual void process(float** /*inputs*/, float** /*outputs*/, VstInt32 /*sampleFrames*/) {}
    // [audio thread] Replaces `outputs` with the processed `inputs`; the base does nothing.
    virtual void processReplacing(float** /*inputs*/, float** /*outputs*/,
                                  VstInt32 /*sampleFrames*/)
    {
    }
    virtual void processDoubleReplacing(double** /*inputs*/, double** /*outputs*/,
                                        VstInt32 /*sampleFrames*/)
    {
    }

    // --- Parameters and programs -----------------------------------------------------------
    // [any thread] Normalised parameter values, 0..1.
    virtual void setParameter(VstInt32 /*index*/, float /*value*/) {}
    virtual float getParameter(VstInt32 /*index*/) { return 0.0f; }
    // [UI thread] The host's parameter texts; `text` is a host buffer (never null here).
    virtual void getParameterLabel(VstInt32 /*index*/, char* text) { *text = 0; }
    virtual void getParameterDisplay(VstInt32 /*index*/, char* text) { *text = 0; }
    virtual void getParameterName(VstInt32 /*index*/, char* text) { *text = 0; }
    // [UI thread] Program selection; `program` is already checked against numPrograms.
    virtual void setProgram(VstInt32 program) { curProgram = program; }
    virtual VstInt32 getProgram() { return curProgram; }
    virtual void setProgramName(char* /*name*/) {}
    virtual void getProgramName(char* name) { *name = 0; }
    // [UI thread] State chunk. getChunk stores a pointer to plug-in-owned bytes in *data and
    // answers their count; setChunk answers the bytes taken. `data` is never null here.
    virtual VstInt32 getChunk(void** /*data*/, bool /*isPreset*/) { return 0; }
    virtual VstInt32 setChunk(void* /*data*/, VstInt32 /*byteSize*/, bool /*isPreset*/)
    {
        return 0;
    }

    // --- Effect record set-up (any thread before the host sees the record) ------------------
    virtual void setUniqueID(VstInt32 iD) { cEffect.uniqueID = iD; }
    virtual void setNumInputs(VstInt32 inputs) { cEffect.numInputs = inputs; }
    virtual void setNumOutputs(VstInt32 outputs) { cEffect.numOutputs = outputs; }
    // Latency in sample frames. Hosts read it after effMainsChanged or an ioChanged call.
    virtual void setInitialDelay(VstInt32 delay) { cEffect.initialDelay = delay; }
    virtual void canProcessReplacing(bool state = true) { setFlag(effFlagsCanReplacing, state); }
    virtual void canDoubleReplacing(bool state = true)
    {
        setFlag(effFlagsCanDoubleReplacing, state);
    }
    virtual void programsAreChunks(bool state = true) { setFlag(effFlagsProgramChunks, state); }
    virtual void noTail(bool state = true) { setFlag(effFlagsNoSoundInStop, state); }

    // --- Editor ----------------------------------------------------------------------------
    // [UI thread] Stores the editor (owned from now on) and sets effFlagsHasEditor when it is
    // not null, clears it otherwise. A previous, different editor is not deleted: the caller
    // owns the exchange.
    virtual void setEditor(AEffEditor* newEditor)
    {
        editor = newEditor;
        setFlag(effFlagsHasEditor, editor != nullptr);
    }
    virtual AEffEditor* getEditor() { return editor; }

    // --- Calls to the host ------------------------------------------------------------------
    // [any thread] The host's answer to audioMasterVersion (0 without a host).
    virtual VstInt32 getMasterVersion();
    // [any thread] The host's answer to audioMasterCurrentId: the unique id of the plug-in it
    // is currently loading (shell plug-ins).
    virtual VstInt32 getCurrentUniqueId();
    // [UI thread] Lets the host run its idle work (audioMasterIdle).
    virtual void masterIdle();
    // [any thread] Sets a parameter and tells the host (audioMasterAutomate).
    virtual void setParameterAutomated(VstInt32 index, float value);
    // [any thread] Sample rate and block size as last set by the host (44100, 1024 before).
    float getSampleRate() const { return sampleRate; }
    VstInt32 getBlockSize() const { return blockSize; }

    // --- Class trampolines: what the effect record's function pointers point to -------------
    // Each finds the object through effect->object; a null record or object does nothing.
    // effClose also deletes the object after the dispatcher has run.
    static VstIntPtr dispatchEffectClass(AEffect* e, VstInt32 opcode, VstInt32 index,
                                         VstIntPtr value, void* ptr, float opt);
    static void processClass(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames);
    static void processClassReplacing(AEffect* e, float** inputs, float** outputs,
                                      VstInt32 sampleFrames);
    static void processClassDoubleReplacing(AEffect* e, double** inputs, double** outputs,
                                            VstInt32 sampleFrames);
    static void setParameterClass(AEffect* e, VstInt32 index, float value);
    static float getParameterClass(AEffect* e, VstInt32 index);

  protected:
    // Calls the host; answers 0 when there is no host callback.
    VstIntPtr callHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);
    void setFlag(VstInt32 flag, bool state)
    {
        if (state)
            cEffect.flags |= flag;
        else
            cEffect.flags &= ~flag;
    }

    audioMasterCallback audioMaster = nullptr;
    AEffEditor* editor = nullptr; // owned
    float sampleRate = 44100.0f;  // Hz
    VstInt32 blockSize = 1024;    // frames
    VstInt32 numPrograms = 0;
    VstInt32 numParams = 0;
    VstInt32 curProgram = 0;
    AEffect cEffect{};
};
