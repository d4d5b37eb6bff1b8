#pragma once
// The leveller as a host drives it: the effect on the fake host, opened and resumed, with slider
// changes through the host's parameter path and audio through the plug-in's own frame loop
// (RunAudioCall: the block hook once per call, the sample hook per frame, the output guard).

#include <cstdint>
#include <vector>

#include "effect/XlatEffect.h"
#include "runtime/XlatAudioCall.h"
#include "tests/support/FakeHost.h"

// Two channels of audio in double precision.
struct StereoBuffer
{
    std::vector<double> left;
    std::vector<double> right;

    StereoBuffer() = default;
    explicit StereoBuffer(size_t frames) : left(frames, 0.0), right(frames, 0.0) {}
    size_t Frames() const { return left.size(); }
};

class CLevellerDriver
{
  public:
    // Constructs the effect, connects the fake host, and (if `start`) opens and resumes it the
    // way a host does: effOpen, then effMainsChanged 1.
    explicit CLevellerDriver(double sampleRate = 44100.0, int32_t blockSize = 512,
                             bool start = true);
    CLevellerDriver(const CLevellerDriver&) = delete;
    CLevellerDriver& operator=(const CLevellerDriver&) = delete;

    // effOpen and effMainsChanged 1.
    void Open() { effect.DoOpen(); }
    void Resume() { effect.DoResume(); }
    // setParameter for the host parameter of slider `number`, with `value` in the slider's own
    // units: normalised to the slider's range and quantised to its step on the way in, as any
    // host's value is (a value the slider already holds does not re-run the slider hook).
    void SetSlider(int32_t number, double value);
    // A slider value the parameter path cannot set (between steps, not a number, or exactly a
    // value within the equality distance of the current one): written as it is, then the slider
    // hook runs, as after a restored state that holds it.
    void SetRawSlider(int32_t number, double value);

    // One processing call through the plug-in's frame loop on two channels. `afterFrame(i)`, when
    // given, runs after frame i's sample hook (the loop then goes frame by frame).
    template <typename Sample, typename Observer = NoFrameObserver>
    void Process(const Sample* inL, const Sample* inR, Sample* outL, Sample* outR, int32_t n,
                 Observer&& afterFrame = {})
    {
        const Sample* in[2] = {inL, inR};
        Sample* out[2] = {outL, outR};
        RunAudioCall(effect, in, out, 2, n, afterFrame);
    }
    // The 32-bit and the 64-bit bridge.
    void ProcessFloat(const float* inL, const float* inR, float* outL, float* outR, int32_t n)
    {
        Process(inL, inR, outL, outR, n);
    }
    void ProcessDouble(const double* inL, const double* inR, double* outL, double* outR, int32_t n)
    {
        Process(inL, inR, outL, outR, n);
    }
    // Runs a whole signal through the 64-bit bridge in calls of `blockFrames` frames (the last
    // call may be shorter) and answers the output.
    StereoBuffer Run(const StereoBuffer& in, int32_t blockFrames);
    // Runs `blocks` calls of `blockFrames` frames of a constant input; answers the last output
    // frame of the last call in outL/outR.
    void RunConstant(double left, double right, int32_t blockFrames, int32_t blocks,
                     double* outL = nullptr, double* outR = nullptr);

    CFakeHost host;
    TXlatEffect effect;
    LevellerVariables& vars() { return effect.vars; }
};
