#pragma once
// TXlatEffect: the QUAR2 leveller, a stereo voice levelling amplifier with 64 samples of
// look-ahead, written as an effect script on the TXlat runtime.
//
// The louder channel, plus an optional high-frequency emphasis, drives a chain of envelope
// followers; one gain for both channels pulls quiet passages up by at most "Pull Up" and pushes
// loud ones towards the "Push Down" level, and is applied to the audio delayed by 64 frames.
// All of the script's variables live in `vars` (see LevellerVariables.h); the hooks below are the
// script's bodies.

#include <cstdint>

#include "effect/LevellerCoefficients.h"
#include "effect/LevellerStrings.h"
#include "effect/LevellerVariables.h"
#include "effect/MemoryWindow.h"
#include "runtime/Xlat.h"

class TXlatEffect : public TXlat
{
  public:
    // Script memory layout: the delay lines sit at delayBaseL and delayBaseR (the sample
    // rate), the gain history at historyBase (twice the sample rate, plus 1), the step label
    // tables where LevellerStrings.h puts them.
    // Frames of look-ahead; also the highest delay-line position.
    static constexpr double kLookAhead = 64.0;
    // Largest value of the display-speed slider, in seconds: the history is prepared for it.
    static constexpr double kLongestDisplaySeconds = 10.0;
    // Sample rates outside (0, kMaxSampleRate] leave the rate-dependent set-up as it was: 0
    // would divide by zero, and far larger rates would put the history beyond the index range.
    static constexpr double kMaxSampleRate = 10000000.0;

    // [UI thread] Declares the ten sliders and the effect's identity.
    TXlatEffect();

    // [UI thread] effOpen: clears memory and strings, zeroes every script variable, registers
    // the two image file names and the string constants (LevellerStrings.h).
    void DoOpen() override;
    // [UI thread] Reads the host values and sets up everything that depends only on the sample
    // rate: smoothing coefficients, the emphasis filter, the memory layout, the label tables.
    // Filter and follower states, delay positions and the history stay as they are.
    void DoInit() override;
    // [any thread] After a host parameter change, a resume or a restored chunk: refreshes the
    // host values, copies sliders 2..11 for the editor and runs the slider code.
    void DoSlider() override;
    // [audio thread] Once per processing call: latency report, transport, mono detection,
    // dither, one gain-history point while the transport plays.
    void DoBlock() override;
    // [audio thread] One stereo frame: samples[0] and samples[1] in, levelled audio out.
    void DoSample() override;
    // [audio thread] The sample hook over a whole block of stereo frames, with the same results
    // as DoSample() frame by frame: the state is held in locals and written back to the script
    // variables once at the end, the delay lines are indexed directly, and the coefficient sets
    // are picked up once at the start (a change made during the block counts from the next).
    void DoSamples(const float* in0, const float* in1, float* out0, float* out1,
                   int32_t frames) override;
    void DoSamples(const double* in0, const double* in1, double* out0, double* out1,
                   int32_t frames) override;
    // [UI thread] The state chunk: sliders 1 to 64, written or read through file slot 0.
    void DoSerialize() override;
    // [UI thread] The editor's frame: draws the whole view and applies the mouse to its sliders
    // and switch (graphics/LevellerDrawing.cpp).
    void DoGfx(double width, double height) override;

    // [any thread] The slider code alone: turns the slider values into the coefficients the
    // sample loop uses. The editor runs it after a widget changed a value. Its results go into
    // the script variables and, as one complete set, to the audio thread (sliderSets). Two runs
    // may overlap (host automation and an editor drag): the audio thread then gets the set of
    // the one that started last, never a mixture.
    void RunSliderCode();
    // [any thread] The slider code, run again (a bounded number of times) while slider values
    // were changed by another thread during the run: a run that read a value just before the
    // host replaced it would otherwise leave coefficients that no longer match the parameters.
    // One run when nothing else writes sliders, which is the usual case.
    // With `copySliders` (the slider hook) each run first copies sliders 2..11 for the editor.
    void RunSliderCodeUntilCurrent(bool copySliders = false);
    // Sliders 2..11 into the editor's copies (sliderCopy2 .. sliderCopy11).
    void CopySlidersForEditor();

    // [audio thread] The slider-code results the last processed frame used.
    const LevellerSliderSet& AudioSliderSet() const { return audioSliders.Held(); }

    // The script's variables.
    LevellerVariables vars;

  private:
    // Copies the six host copies into the script's variables.
    void RefreshHostValues();
    // Whether the current sample rate can drive the rate-dependent formulas.
    bool SampleRateUsable() const;
    static bool SampleRateUsable(double rate);
    // Whether the gain history can be written in this block: a usable sample rate, a block
    // size of at least one frame and a prepared history window.
    bool HistoryUsable() const;
    // [UI thread] Creates the pages of the delay lines and of the history for the current
    // layout and keeps direct pointers to them.
    void PrepareMemory();
    // [audio thread] Fills every reachable history entry with 100 (0 dB) and rewinds.
    void FillHistory();
    // [audio thread] The delay slot or history entry at a script index; a spare cell when the
    // index lies outside the prepared windows (it never does for the layouts the hooks make).
    double& DelaySlot(const CMemoryWindow& window, double index);
    // [audio thread] The newest init-hook set, taken up by the audio path. When it puts the delay
    // lines somewhere else in memory (a resume at another sample rate moves the right line and
    // the history), both lines start again from silence, like fresh ones: the new places may
    // hold anything the memory held before, the old history's ordinates among them, and that
    // must never be heard. A moved history is filled again at the next block, as at the first.
    const LevellerInitSet& TakeInitSet();
    // [audio thread] 0..32767, like the C library's rand(), but lock-free and per instance.
    int32_t NextRandom();
    // [audio thread] The block loop behind both DoSamples.
    template <typename Sample>
    void ProcessStereo(const Sample* in0, const Sample* in1, Sample* out0, Sample* out1,
                       int32_t frames);
    // Whether a delay line's slot indices ScriptInt(base + 0 .. 64) are 65 consecutive indices
    // on one page, remembered for the last base seen (audio thread only).
    struct LineIndexCache
    {
        double base = 0.0;
        int32_t first = 0;
        bool known = false;
        bool consecutive = false;
    };
    // [audio thread] Position 0 of a delay line whose 65 slots at base + 0 .. base + 64 are
    // consecutive cells of one prepared page, or null (the block then runs frame by frame).
    double* ContiguousDelayLine(const CMemoryWindow& window, double base,
                                LineIndexCache& cache) const;
    // [any thread] Tells the host the look-ahead when it differs from what was last reported.
    // The init hook calls it so that the delay is known before the first block (hosts read it
    // when they resume the plug-in); the block hook calls it again as a check.
    void ReportLatency();

    CMemoryWindow delayWindowL;
    CMemoryWindow delayWindowR;
    CMemoryWindow historyWindow;
    double spareCell = 0.0;
    uint32_t randomState = 1;

    // Complete coefficient sets on their way to the audio thread, and the audio thread's copies
    // of the newest ones.
    LevellerInitExchange initSets;
    LevellerSliderExchange sliderSets;
    CSetCopy<LevellerInitSet> audioInit;
    CSetCopy<LevellerSliderSet> audioSliders;
    LineIndexCache lineIndexL;
    LineIndexCache lineIndexR;
    // Where the audio path last found the delay lines and the history (audio thread only).
    double audioDelayBaseL = 0.0;
    double audioDelayBaseR = 0.0;
    double audioHistoryBase = 0.0;
};
