#pragma once
// The runtime's view of the plug-in object that hosts it.
//
// The runtime reaches the host and the editor only through `adapter` (a CXlatAdapter*), which the
// entry point sets right after the plug-in object has been made. COstra implements this
// interface; tests implement it to play the host. Every operation has a body that answers 0 /
// false / does nothing: that is also what the runtime sees while `adapter` is null, so callers go
// through the helpers in CXlatOstra, which test the pointer first.

#include <cstdint>

class CDrawContext; // the toolkit's drawing context (GDI+ on Windows, cairo on Linux)
class CFontCache;   // the plug-in object's font descriptions by face (graphics/FontCache.h)
class CGfxTarget;   // a drawing target other than the toolkit's (graphics/GfxTarget.h)

class CXlatAdapter
{
  public:
    virtual ~CXlatAdapter() = default;

    // --- Host values --------------------------------------------------------------------------
    // [any thread] Number of audio inputs of the effect record (numInputs).
    virtual int32_t getChannelCount() { return 0; }
    // [any thread] Number of audio outputs of the effect record (numOutputs).
    virtual int32_t getOutputChannelCount() { return 0; }
    // [any thread] The sample rate last set by effSetSampleRate (44100 before that), in Hz.
    virtual double getSampleRate() { return 0.0; }
    // [any thread] The block size last set by effSetBlockSize (1024 before that), in frames.
    virtual int32_t getBlockSize() { return 0; }

    // --- Host time information (audioMasterGetTime); a null answer from the host reads as 0 ---
    // [any thread] Tempo in BPM (filter mask 0x400).
    virtual double getTempo() { return 0.0; }
    // [any thread] Tempo and time signature (filter mask 0x2400).
    virtual void getTempoAndTimeSig(double& tempo, double& numerator, double& denominator)
    {
        tempo = numerator = denominator = 0.0;
    }
    // [audio thread] Transport playing (flags & 2, filter mask 2).
    virtual bool isPlaying() { return false; }
    // [audio thread] Transport recording (flags & 8, filter mask 8).
    virtual bool isRecording() { return false; }
    // [audio thread] Position in quarter notes (filter mask 0x200).
    virtual double getPpqPosition() { return 0.0; }
    // [audio thread] Start of the current bar in quarter notes.
    virtual double getBarStart() { return 0.0; }

    // --- Requests to the host and the editor ---------------------------------------------------
    // [audio thread] Asks the host to re-read names and values (audioMasterUpdateDisplay).
    virtual int32_t updateDisplay() { return 0; }
    // [audio thread] Writes AEffect.initialDelay; answers 1 when done.
    virtual int32_t setLatency(int32_t /*frames*/) { return 0; }
    // [UI thread] Invalidates the script view so the next paint runs the gfx hook; answers 1
    // when an editor with a view exists.
    virtual int32_t redrawEditor() { return 0; }
    // [UI thread] The editor's width and height; false when there is no editor.
    virtual bool getEditorSize(int32_t& /*width*/, int32_t& /*height*/) { return false; }
    // [UI thread] The drawing context of the script view while it draws, null otherwise.
    virtual CDrawContext* getScriptDrawContext() { return nullptr; }
    // [UI thread] A drawing target that takes precedence over getScriptDrawContext() while set:
    // front ends without the toolkit (and tests that record what the script draws) answer one
    // here; the plug-in object answers null.
    virtual CGfxTarget* getScriptDrawTarget() { return nullptr; }
    // [UI thread] The plug-in object's font cache (one description per face name, kept for the
    // plug-in object's life); null when there is none, then each font selection makes a
    // temporary description.
    virtual CFontCache* getFontCache() { return nullptr; }

    // --- Parameter edits made in the editor ------------------------------------------------------
    // What the user does to a parameter with the editor's mouse, told to the host as it happens
    // so that its controls, automation, undo and saved project follow. One gesture per hold:
    // begin when the mouse takes hold of host parameter `index`, one edit per change of its value
    // while held, end when the mouse lets go. `value` is normalised as the host reads the
    // parameter back (getParameter). Never called for values the host set itself.
    // [UI thread] The mouse took hold of parameter `index`.
    virtual void beginParameterEdit(int32_t /*index*/) {}
    // [UI thread] Parameter `index`, held, now has the normalised value `value`.
    virtual void parameterEdited(int32_t /*index*/, double /*value*/) {}
    // [UI thread] The mouse let go of parameter `index`.
    virtual void endParameterEdit(int32_t /*index*/) {}

    // --- MIDI (not used by the leveller's script) ----------------------------------------------
    // [audio thread] Sends one short MIDI message; true when the host answered exactly 1.
    virtual bool sendMidi(int32_t /*deltaFrames*/, int32_t /*b0*/, int32_t /*b1*/, int32_t /*b2*/)
    {
        return false;
    }
    // [audio thread] Sends one system-exclusive dump; true when the host answered exactly 1.
    virtual bool sendSysex(int32_t /*deltaFrames*/, const void* /*dump*/, int32_t /*size*/)
    {
        return false;
    }
    // [audio thread] Reads the next received MIDI event; false (all outputs 0) when none.
    virtual bool receiveMidi(int32_t& deltaFrames, int32_t& b0, int32_t& b1, int32_t& b2)
    {
        deltaFrames = b0 = b1 = b2 = 0;
        return false;
    }
};
