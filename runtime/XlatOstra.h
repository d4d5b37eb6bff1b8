#pragma once
// The runtime's link to the plug-in object that hosts it. Everything the runtime asks of the host
// or the editor goes through `adapter`; each helper below tests it first and answers 0 (0.0,
// false) while it is null, which is the state until the entry point has made the plug-in object.

#include <cstdint>

#include "runtime/XlatAdapter.h"
#include "runtime/XlatMemory.h"

class CXlatOstra : public CXlatMemory
{
  public:
    // Set by the entry point right after the plug-in object exists; not owned.
    CXlatAdapter* adapter = nullptr;

    // --- Host values -----------------------------------------------------------------------------
    // [any thread] Inputs of the effect record.
    int32_t HostChannelCount() const { return adapter ? adapter->getChannelCount() : 0; }
    // [any thread] Outputs of the effect record.
    int32_t HostOutputChannelCount() const
    {
        return adapter ? adapter->getOutputChannelCount() : 0;
    }
    // [any thread] Sample rate in Hz as last set by the host.
    double HostSampleRate() const { return adapter ? adapter->getSampleRate() : 0.0; }
    // [any thread] Block size in frames as last set by the host.
    int32_t HostBlockSize() const { return adapter ? adapter->getBlockSize() : 0; }

    // --- Host time information ---------------------------------------------------------------
    // [any thread] Tempo in BPM.
    double HostTempo() const { return adapter ? adapter->getTempo() : 0.0; }
    // [any thread] Tempo in BPM and the time signature; all 0 without an adapter.
    void HostTempoAndTimeSig(double& tempo, double& numerator, double& denominator) const
    {
        tempo = numerator = denominator = 0.0;
        if (adapter) adapter->getTempoAndTimeSig(tempo, numerator, denominator);
    }
    // [audio thread] Whether the transport plays.
    bool HostPlaying() const { return adapter ? adapter->isPlaying() : false; }
    // [audio thread] Whether the transport records.
    bool HostRecording() const { return adapter ? adapter->isRecording() : false; }
    // [audio thread] Play position in quarter notes.
    double HostPpqPosition() const { return adapter ? adapter->getPpqPosition() : 0.0; }
    // [audio thread] Start of the current bar in quarter notes.
    double HostBarStart() const { return adapter ? adapter->getBarStart() : 0.0; }

    // --- Requests ------------------------------------------------------------------------------
    // [audio thread] Asks the host to re-read names and values.
    int32_t HostUpdateDisplay() const { return adapter ? adapter->updateDisplay() : 0; }
    // [audio thread] Reports `frames` of latency (initial delay); 1 when done.
    int32_t HostSetLatency(int32_t frames) const
    {
        return adapter ? adapter->setLatency(frames) : 0;
    }
    // [UI thread] Invalidates the script view; 1 when an editor with a view exists.
    int32_t HostRedraw() const { return adapter ? adapter->redrawEditor() : 0; }
    // [UI thread] The editor's size in pixels; false (and 0, 0) without an editor.
    bool HostEditorSize(int32_t& width, int32_t& height) const
    {
        width = height = 0;
        return adapter ? adapter->getEditorSize(width, height) : false;
    }
    // [UI thread] The script view's drawing context while it draws; null otherwise.
    CDrawContext* HostDrawContext() const
    {
        return adapter ? adapter->getScriptDrawContext() : nullptr;
    }

    // --- Parameter edits made in the editor (see CXlatAdapter)
    // ------------------------------------ [UI thread] The mouse took hold of host parameter
    // `index`.
    void HostBeginEdit(int32_t index) const
    {
        if (adapter) adapter->beginParameterEdit(index);
    }
    // [UI thread] Held parameter `index` now reads back as the normalised `value`.
    void HostParameterEdited(int32_t index, double value) const
    {
        if (adapter) adapter->parameterEdited(index, value);
    }
    // [UI thread] The mouse let go of parameter `index`.
    void HostEndEdit(int32_t index) const
    {
        if (adapter) adapter->endParameterEdit(index);
    }

    // --- MIDI --------------------------------------------------------------------------------
    // [audio thread] Sends one short message; true when the host took it.
    bool HostSendMidi(int32_t deltaFrames, int32_t b0, int32_t b1, int32_t b2) const
    {
        return adapter ? adapter->sendMidi(deltaFrames, b0, b1, b2) : false;
    }
    // [audio thread] Reads the next received event; false (all 0) when there is none.
    bool HostReceiveMidi(int32_t& deltaFrames, int32_t& b0, int32_t& b1, int32_t& b2) const
    {
        deltaFrames = b0 = b1 = b2 = 0;
        return adapter ? adapter->receiveMidi(deltaFrames, b0, b1, b2) : false;
    }
};
