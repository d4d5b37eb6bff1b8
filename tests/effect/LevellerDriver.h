#pragma once
// Test driver for the leveller: a fake host that answers the runtime's adapter calls, and a
// bridge that pushes stereo buffers through DoBlock/DoSample exactly as the plug-in's audio
// bridge does (DoBlock once per call, also for 0 frames; per frame samples[0..1] in, DoSample,
// samples[0..1] out, narrowed to float for the 32-bit path).

#include <cstdint>
#include <vector>

#include "effect/XlatEffect.h"
#include "runtime/XlatAdapter.h"

// Plays the host: every value the runtime can ask for is a plain field the test sets.
class CFakeHost : public CXlatAdapter
{
  public:
    double sampleRate = 44100.0;
    int32_t blockSize = 512;
    int32_t channels = 2;
    double tempo = 120.0;
    double numerator = 4.0;
    double denominator = 4.0;
    bool playing = false;
    bool recording = false;
    double ppq = 0.0;

    // What the effect asked of the host (plain counters: no allocation on the audio path).
    int32_t latencyCalls = 0;
    int32_t lastLatency = -1;
    int32_t timeRequests = 0;

    int32_t getChannelCount() override { return channels; }
    int32_t getOutputChannelCount() override { return channels; }
    double getSampleRate() override { return sampleRate; }
    int32_t getBlockSize() override { return blockSize; }
    double getTempo() override;
    void getTempoAndTimeSig(double& t, double& num, double& den) override;
    bool isPlaying() override;
    bool isRecording() override;
    double getPpqPosition() override;
    int32_t setLatency(int32_t frames) override;
};

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

    // effOpen and effMainsChanged 1.
    void Open() { effect.DoOpen(); }
    void Resume() { effect.DoResume(); }
    // setParameter for slider `number`: stores the value and runs the slider hook.
    void SetSlider(int32_t number, double value);

    // The 32-bit bridge: DoBlock once, then every frame through DoSample.
    void ProcessFloat(const float* inL, const float* inR, float* outL, float* outR, int32_t n);
    // The 64-bit bridge: the same with doubles.
    void ProcessDouble(const double* inL, const double* inR, double* outL, double* outR, int32_t n);
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
