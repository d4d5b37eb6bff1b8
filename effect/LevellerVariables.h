#pragma once
// The leveller script's own variables: every one is a double, and the open hook sets them all
// to 0 at once by assigning a fresh LevellerVariables. Hooks on different threads share them
// without a lock: each is a SharedDouble, read and written whole with relaxed atomic accesses, so
// a reader sees a value from just before or just after a change, never a mixture. The editor
// reads the block loop's results (lastGain, playState, the history position and base) one value
// at a time: each stands alone in what it draws, so none of them has to travel as a set.
//
// The mouse state of the editor's widgets stays plain: only the editor's frame (DoGfx) and the
// open hook touch it, both on the user-interface thread.
//
// Units: levels and gains are linear (1 = 0 dB) unless the name ends in Db; times in seconds;
// rates in Hz; coefficients are one-pole factors exp(-1 / (seconds * rate)).

#include "effect/BiquadSection.h"
#include "runtime/SharedDouble.h"

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
    SharedDouble hostSampleRate = 0.0;
    SharedDouble hostInputCount = 0.0;
    SharedDouble hostBlockSize = 0.0;
    SharedDouble hostTempo = 0.0;
    SharedDouble hostTimeSigNumerator = 0.0;
    SharedDouble hostTimeSigDenominator = 0.0;
    // The script's copies, refreshed from the host copies at the start of the slider, block and
    // sample hooks.
    SharedDouble sampleRate = 0.0; // Hz
    SharedDouble inputCount = 0.0;
    SharedDouble blockSize = 0.0; // frames
    SharedDouble tempo = 0.0;     // BPM
    SharedDouble timeSigNumerator = 0.0;
    SharedDouble timeSigDenominator = 0.0;
    // Transport: 1 while playing, plus 4 while recording; position in quarter notes.
    SharedDouble playState = 0.0;
    SharedDouble playPosition = 0.0;

    // --- Set by the init hook --------------------------------------------------------------------
    SharedDouble buildLabel = 0.0; // string handle of the build label (kStrBuild)
    SharedDouble maxGainDb = 0.0;  // meter extremes, kept by the drawing code
    SharedDouble maxAttenuationDb = 0.0;
    SharedDouble smooth20ms = 0.0;   // coefficient of the two smoothing stages
    SharedDouble smooth200ms = 0.0;  // release coefficient of the slow level
    SharedDouble releaseScale = 0.0; // how strongly a loud programme shortens the release
    SharedDouble monoBlocks = 0.0;   // blocks of identical channels before mono mode (32)
    BiquadSection emphasis;          // side-chain high-pass at 1 kHz, damping 5
    SharedDouble delayLengthL = 0.0; // highest position of each delay line (64)
    SharedDouble delayLengthR = 0.0;
    SharedDouble delayBaseL = 0.0; // memory index of each delay line's position 0
    SharedDouble delayBaseR = 0.0;
    SharedDouble latency = 0.0;         // frames reported to the host (64)
    SharedDouble historyBase = 0.0;     // memory index of gain-history entry 0
    SharedDouble graphPoints = 0.0;     // history points the graph shows (360)
    SharedDouble rerunSliderCode = 0.0; // 1: the next editor frame re-runs the slider code

    // --- Set by the slider code ----------------------------------------------------------------
    SharedDouble targetLevel = 0.0;  // level loud passages are pushed down to (Push Down)
    SharedDouble kneeLevel = 0.0;    // targetLevel divided by the largest boost (Pull Up)
    SharedDouble brakeLevel = 0.0;   // level below which the gain holds (Brake); 0: off
    SharedDouble brakeFall = 0.0;    // 30 ms fall of the Brake's own level
    SharedDouble recoveryTime = 0.0; // seconds
    SharedDouble releaseCoef = 0.0;
    SharedDouble slowReleaseTrim = 0.0; // 0.00003 for the 100 s recovery, else 0
    SharedDouble outputGain = 0.0;
    SharedDouble lowCutSetting = 0.0; // slider 3: 0 off, 1..8 table rows
    SharedDouble lowCutFreq = 0.0;    // Hz, characteristic frequency of the low-cut
    SharedDouble lowCutDamping = 0.0;
    SharedDouble lowCutTan = 0.0;  // tan(pi * lowCutFreq / sampleRate)
    BiquadSection lowCutL;         // left low-cut (also the side-chain low-cut)
    BiquadSection lowCutR;         // right low-cut, same coefficients, own state
    SharedDouble attackTime = 0.0; // seconds; 0 for the "Zero" attack
    SharedDouble attackCoef = 0.0;
    SharedDouble emphasisBase = 0.0;
    SharedDouble emphasisAmount = 0.0;    // weight of the emphasis filter in the detector, 0..10
    SharedDouble displaySpeed = 0.0;      // seconds the graph covers (slider 10)
    SharedDouble historySpan = 0.0;       // samples the graph covers
    SharedDouble historyStep = 0.0;       // history entries per graph point
    SharedDouble sideChainSetting = 0.0;  // slider 2
    SharedDouble lowCutInSideChain = 0.0; // 1: the low-cut shapes only the detector input
    SharedDouble lowCutInMain = 0.0;      // 1: the low-cut filters the audio itself

    // --- Audio state -----------------------------------------------------------------------------
    SharedDouble dither = 0.0; // tiny positive offset on both inputs, new every block
    SharedDouble inL = 0.0;    // last frame's inputs plus dither
    SharedDouble inR = 0.0;
    SharedDouble sigL = 0.0; // last frame's audio after the optional low-cut
    SharedDouble sigR = 0.0;
    SharedDouble sideChain = 0.0;     // detector signal before rectification
    SharedDouble level = 0.0;         // rectified detector signal
    SharedDouble slowLevel = 0.0;     // instant rise, 200 ms release
    SharedDouble releaseNow = 0.0;    // release coefficient of this frame
    SharedDouble env1 = 0.0;          // attack/release follower
    SharedDouble env2 = 0.0;          // first smoothing stage
    SharedDouble env3 = 0.0;          // second smoothing stage
    SharedDouble brakeDetector = 0.0; // the Brake's own level: instant rise, 30 ms fall
    SharedDouble gain = 0.0;          // leveller gain of this frame
    SharedDouble lastGain = 0.0;      // gain of the most recent frame (block hook, editor)
    SharedDouble delayPosL = 0.0;     // 0 .. delayLengthL
    SharedDouble delayPosR = 0.0;
    SharedDouble outL = 0.0; // delayed audio times gain, before outputGain
    SharedDouble outR = 0.0;
    SharedDouble reportedLatency = 0.0; // latency last reported to the host
    SharedDouble historyReady = 0.0;    // 0 until the history was filled with its start value
    SharedDouble historyWritePos = 0.0; // next history entry to write
    SharedDouble graphSmooth = 0.0;     // start value of the editor's smoothed curve
    SharedDouble monoCount = 0.0;       // consecutive blocks that began with equal channels
    SharedDouble mono = 0.0;            // 1 while the input is treated as mono
    SharedDouble historyBaseCopy = 0.0; // historyBase as the editor last saw it written

    // --- Serialize hook ------------------------------------------------------------------------
    SharedDouble serializeIndex = 0.0; // loop variable, 65 after a run

    // --- Editor drawing and interaction (read and written by the gfx hook; the colour, font,
    // surface and mouse-snapshot variables are the runtime's own drawing variables) ----------
    SharedDouble spareDrawStart1 = 0.0; // set to 1 by the init hook, read by nothing
    SharedDouble spareDrawStart2 = 0.0; // set to 0 by the init hook, read by nothing
    SharedDouble graphX = 0.0;          // layout constants (pixels)
    SharedDouble graphY = 0.0;
    SharedDouble graphTop = 0.0;
    SharedDouble curveLastY = 0.0;
    SharedDouble smoothLastY = 0.0;
    SharedDouble readoutX = 0.0;
    SharedDouble readoutY = 0.0;
    SharedDouble shownMaxGainDb = 0.0; // the extremes the readouts print
    SharedDouble shownMaxAttenuationDb = 0.0;
    // Editor copies of sliders[2] .. sliders[11].
    SharedDouble sliderCopy2 = 0.0;
    SharedDouble sliderCopy3 = 0.0;
    SharedDouble sliderCopy4 = 0.0;
    SharedDouble sliderCopy5 = 0.0;
    SharedDouble sliderCopy6 = 0.0;
    SharedDouble sliderCopy7 = 0.0;
    SharedDouble sliderCopy8 = 0.0;
    SharedDouble sliderCopy9 = 0.0;
    SharedDouble sliderCopy10 = 0.0;
    SharedDouble sliderCopy11 = 0.0;
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
