#pragma once
// The leveller script's own variables: every one is a double, and the open hook sets them all
// to 0 at once by assigning a fresh LevellerVariables. Hooks on different threads share them
// without a lock; each value is one double written and read whole.
//
// Units: levels and gains are linear (1 = 0 dB) unless the name ends in Db; times in seconds;
// rates in Hz; coefficients are one-pole factors exp(-1 / (seconds * rate)).

#include "effect/BiquadSection.h"

// Mouse state of one slider row of the editor.
struct SliderWidgetState
{
    // 1 while the pointer is over the row with no button down.
    double armed = 0.0;
    // 1 while the row follows the mouse.
    double dragging = 0.0;
    // Pointer x where a fine (shift) drag started; 0 when none runs.
    double fineAnchor = 0.0;
};

struct LevellerVariables
{
    // --- Host values ---------------------------------------------------------------------------
    // Host copies, written from the host's answers (NaN and infinities stored as 0).
    double hostSampleRate = 0.0;
    double hostInputCount = 0.0;
    double hostBlockSize = 0.0;
    double hostTempo = 0.0;
    double hostTimeSigNumerator = 0.0;
    double hostTimeSigDenominator = 0.0;
    // The script's copies, refreshed from the host copies at the start of the slider, block and
    // sample hooks.
    double sampleRate = 0.0; // Hz
    double inputCount = 0.0;
    double blockSize = 0.0; // frames
    double tempo = 0.0;     // BPM
    double timeSigNumerator = 0.0;
    double timeSigDenominator = 0.0;
    // Transport: 1 while playing, plus 4 while recording; position in quarter notes.
    double playState = 0.0;
    double playPosition = 0.0;

    // --- Set by the init hook --------------------------------------------------------------------
    double buildLabel = 0.0; // string handle of the build label (kStrBuild)
    double maxGainDb = 0.0;  // meter extremes, kept by the drawing code
    double maxAttenuationDb = 0.0;
    double smooth20ms = 0.0;   // coefficient of the two smoothing stages
    double smooth200ms = 0.0;  // release coefficient of the slow level
    double releaseScale = 0.0; // how strongly a loud programme shortens the release
    double monoBlocks = 0.0;   // blocks of identical channels before mono mode (32)
    BiquadSection emphasis;    // side-chain high-pass at 1 kHz, damping 5
    double delayLengthL = 0.0; // highest position of each delay line (64)
    double delayLengthR = 0.0;
    double delayBaseL = 0.0; // memory index of each delay line's position 0
    double delayBaseR = 0.0;
    double latency = 0.0;         // frames reported to the host (64)
    double historyBase = 0.0;     // memory index of gain-history entry 0
    double graphPoints = 0.0;     // history points the graph shows (360)
    double rerunSliderCode = 0.0; // 1: the next editor frame re-runs the slider code

    // --- Set by the slider code ----------------------------------------------------------------
    double targetLevel = 0.0;  // level loud passages are pushed down to (Push Down)
    double kneeLevel = 0.0;    // targetLevel divided by the largest boost (Pull Up)
    double brakeLevel = 0.0;   // level below which the gain holds (Brake); 0: off
    double brakeFall = 0.0;    // 30 ms fall of the Brake's own level
    double recoveryTime = 0.0; // seconds
    double releaseCoef = 0.0;
    double slowReleaseTrim = 0.0; // 0.00003 for the 100 s recovery, else 0
    double outputGain = 0.0;
    double lowCutSetting = 0.0; // slider 3: 0 off, 1..8 table rows
    double lowCutFreq = 0.0;    // Hz, characteristic frequency of the low-cut
    double lowCutDamping = 0.0;
    double lowCutTan = 0.0;  // tan(pi * lowCutFreq / sampleRate)
    BiquadSection lowCutL;   // left low-cut (also the side-chain low-cut)
    BiquadSection lowCutR;   // right low-cut, same coefficients, own state
    double attackTime = 0.0; // seconds; 0 for the "Zero" attack
    double attackCoef = 0.0;
    double emphasisBase = 0.0;
    double emphasisAmount = 0.0;    // weight of the emphasis filter in the detector, 0..10
    double displaySpeed = 0.0;      // seconds the graph covers (slider 10)
    double historySpan = 0.0;       // samples the graph covers
    double historyStep = 0.0;       // history entries per graph point
    double sideChainSetting = 0.0;  // slider 2
    double lowCutInSideChain = 0.0; // 1: the low-cut shapes only the detector input
    double lowCutInMain = 0.0;      // 1: the low-cut filters the audio itself

    // --- Audio state -----------------------------------------------------------------------------
    double dither = 0.0; // tiny positive offset on both inputs, new every block
    double inL = 0.0;    // last frame's inputs plus dither
    double inR = 0.0;
    double sigL = 0.0; // last frame's audio after the optional low-cut
    double sigR = 0.0;
    double sideChain = 0.0;     // detector signal before rectification
    double level = 0.0;         // rectified detector signal
    double slowLevel = 0.0;     // instant rise, 200 ms release
    double releaseNow = 0.0;    // release coefficient of this frame
    double env1 = 0.0;          // attack/release follower
    double env2 = 0.0;          // first smoothing stage
    double env3 = 0.0;          // second smoothing stage
    double brakeDetector = 0.0; // the Brake's own level: instant rise, 30 ms fall
    double gain = 0.0;          // leveller gain of this frame
    double lastGain = 0.0;      // gain of the most recent frame (block hook, editor)
    double delayPosL = 0.0;     // 0 .. delayLengthL
    double delayPosR = 0.0;
    double outL = 0.0; // delayed audio times gain, before outputGain
    double outR = 0.0;
    double reportedLatency = 0.0; // latency last reported to the host
    double historyReady = 0.0;    // 0 until the history was filled with its start value
    double historyWritePos = 0.0; // next history entry to write
    double graphSmooth = 0.0;     // start value of the editor's smoothed curve
    double monoCount = 0.0;       // consecutive blocks that began with equal channels
    double mono = 0.0;            // 1 while the input is treated as mono
    double historyBaseCopy = 0.0; // historyBase as the editor last saw it written

    // --- Serialize hook ------------------------------------------------------------------------
    double serializeIndex = 0.0; // loop variable, 65 after a run

    // --- Editor drawing and interaction (read and written by the gfx hook; the colour, font,
    // surface and mouse-snapshot variables are the runtime's own drawing variables) ----------
    double spareDrawStart1 = 0.0; // set to 1 by the init hook, read by nothing
    double spareDrawStart2 = 0.0; // set to 0 by the init hook, read by nothing
    double graphX = 0.0;          // layout constants (pixels)
    double graphY = 0.0;
    double graphTop = 0.0;
    double curveLastY = 0.0;
    double smoothLastY = 0.0;
    double readoutX = 0.0;
    double readoutY = 0.0;
    double shownMaxGainDb = 0.0; // the extremes the readouts print
    double shownMaxAttenuationDb = 0.0;
    // Editor copies of sliders[2] .. sliders[11].
    double sliderCopy2 = 0.0;
    double sliderCopy3 = 0.0;
    double sliderCopy4 = 0.0;
    double sliderCopy5 = 0.0;
    double sliderCopy6 = 0.0;
    double sliderCopy7 = 0.0;
    double sliderCopy8 = 0.0;
    double sliderCopy9 = 0.0;
    double sliderCopy10 = 0.0;
    double sliderCopy11 = 0.0;
    // Mouse state of the slider rows 3 .. 11 and of the side-chain switch.
    SliderWidgetState widget3;
    SliderWidgetState widget4;
    SliderWidgetState widget5;
    SliderWidgetState widget6;
    SliderWidgetState widget7;
    SliderWidgetState widget8;
    SliderWidgetState widget9;
    SliderWidgetState widget10;
    SliderWidgetState widget11;
    double switchArmed = 0.0;
};
