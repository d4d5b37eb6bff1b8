#pragma once
// CVst3Bypass: the bypass that VST3 hosts expect of an effect. While bypassed the output is the
// input delayed by the plug-in's latency, so the host's delay compensation stays right and a
// switch does not shift the audio in time; a switch crossfades between the levelled and the
// delayed dry signal over a few milliseconds, so it does not click. The leveller keeps running
// underneath, and with the bypass off and no fade going on the levelled output is left exactly
// as the plug-in wrote it.
//
// Threads: prepare() and reset() on the UI thread while the processor is inactive (they
// allocate); setBypassed() on any thread; everything else on the audio thread, which neither
// allocates nor locks.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

class CVst3Bypass
{
  public:
    // Frames one capture()/mix() pair handles at most.
    int32_t capacity() const { return static_cast<int32_t>(dry[0].size()); }

    // Sets the delay (the latency in force, >= 0), the largest block and the sample rate (for
    // the fade length), and clears the delay line.
    void prepare(int32_t delayFrames, int32_t maxBlock, double sampleRate);
    // Empties the delay line and ends any fade, keeping the bypass setting.
    void reset();

    // [any thread] Switches the bypass; the fade starts with the next mixed frame.
    void setBypassed(bool on) { bypassed = on; }
    bool isBypassed() const { return bypassed; }

    // [audio] Before the plug-in processes `frames` (<= capacity()) frames: takes the two input
    // channels into the delay line and keeps the delayed dry frames for mix(). Must run before
    // the plug-in writes its output, which may be the input's memory.
    void capture(const float* const* inputs, int32_t frames) { take(inputs, frames); }
    void capture(const double* const* inputs, int32_t frames) { take(inputs, frames); }

    // [audio] After the plug-in processed the same frames into `outputs`: blends in the delayed
    // dry signal as far as the bypass and its fade ask.
    void mix(float* const* outputs, int32_t frames) { blend(outputs, frames); }
    void mix(double* const* outputs, int32_t frames) { blend(outputs, frames); }

  private:
    template <typename T> void take(const T* const* inputs, int32_t frames);
    template <typename T> void blend(T* const* outputs, int32_t frames);

    std::vector<double> line[2]; // the last `delay` input frames, a ring
    std::vector<double> dry[2];  // the delayed dry frames of the current chunk
    size_t position = 0;         // next ring slot
    int32_t fadeFrames = 1;      // length of a fade
    int32_t fadePosition = 0;    // 0 levelled .. fadeFrames dry
    std::atomic<bool> bypassed{false};
};
