#pragma once
// TXlat: the runtime object a translated effect script runs on, and the umbrella header of the
// runtime. The effect class derives from it and overrides the hooks it needs. The plug-in object
// reaches the runtime only through these virtual hooks, whose order is fixed: DoSlider, DoBlock,
// DoSample (declared in the bases), the destructor, then the ones below in declaration order.

#include <cstdint>

#include "runtime/DebugLog.h"
#include "runtime/MilliClock.h"
#include "runtime/ModulePath.h"
#include "runtime/ScriptValue.h"
#include "runtime/XlatEdits.h"

class TXlat : public CXlatEdits
{
  public:
    // The marker that starts every state chunk.
    static constexpr float kChunkMarker = -1000.0f;

    TXlat() = default;
    // [UI thread] Releases images and fonts, writes out data files left open for writing, then
    // frees the tables and memory (the bases' destructors, most derived first).
    virtual ~TXlat() = default;

    // [UI thread] effOpen: clears every memory page and every string entry, sets the drawing
    // script variables to 0 (ResetScriptGraphics) and resets the idle redraw clock. An override
    // calls this first, then sets up its own variables.
    virtual void DoOpen();
    // [UI thread] effClose. Default: nothing.
    virtual void DoClose() {}
    // [UI thread] effMainsChanged 0. Default: nothing.
    virtual void DoSuspend() {}
    // [UI thread] effMainsChanged 1: DoInit(), then DoSlider().
    virtual void DoResume();
    // [UI thread] Sets up everything that depends on the host (sample rate, ...). Default:
    // nothing.
    virtual void DoInit() {}
    // [UI thread] Runs DoInit() the first time only (initCount 0), counting every call.
    virtual void DoEnsureInit();
    // [UI thread] Draws the editor view of `width` x `height` pixels. Default: nothing.
    virtual void DoGfx(double width, double height);
    // [UI thread] Editor idle: asks the editor to redraw when more than 1000 / redrawRate
    // milliseconds passed since the last redraw from here.
    virtual void DoIdle();
    // [UI thread] Writes or reads the state through file slot 0 (FileVar). Default: nothing.
    virtual void DoSerialize() {}
    // [UI thread] Restores a state chunk of `byteCount` bytes (little-endian floats, marker
    // -1000.0 first). A chunk shorter than 4 bytes or without the marker changes nothing. Always
    // answers byteCount.
    virtual int32_t SetState(const void* data, int32_t byteCount);
    // [UI thread] Makes a state chunk: the marker, then every value DoSerialize writes. Sets
    // *data to the runtime-owned buffer (valid until the next chunk call) and answers its length in
    // bytes; answers 0 and leaves *data alone when DoSerialize writes nothing.
    virtual int32_t GetState(void** data);
    // [audio thread] The sample hook over `frames` stereo frames (frames > 0, four distinct or
    // in-place buffers): frame i of in0/in1 goes into samples[0]/samples[1], the sample hook
    // runs, and samples[0]/samples[1] come out in out0/out1 through the output guard
    // (ToOutput). Frame i's inputs are read before its outputs are written. Default: exactly
    // that, one DoSample() per frame; an effect may override it with a loop over the whole block
    // that gives the same results.
    virtual void DoSamples(const float* in0, const float* in1, float* out0, float* out1,
                           int32_t frames);
    virtual void DoSamples(const double* in0, const double* in1, double* out0, double* out1,
                           int32_t frames);

    // MilliClock() of the last redraw asked for by DoIdle.
    int32_t lastRedrawTicks = 0;
    // Number of DoEnsureInit calls.
    int32_t initCount = 0;

  protected:
    // [audio thread] The default of DoSamples: one DoSample() per frame.
    template <typename Sample>
    void SamplesFrameByFrame(const Sample* in0, const Sample* in1, Sample* out0, Sample* out1,
                             int32_t frames);
};
