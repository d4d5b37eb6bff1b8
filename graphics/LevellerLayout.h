#pragma once
// Layout of the leveller editor (430 x 600 pixels): the slider rows with their places, captions
// and units, the string handles and colours the frame draws with. The background image carries
// the tracks, the graph's dB scale and the readout panel under these positions.

#include "effect/LevellerParameters.h"
#include "effect/LevellerStrings.h"
#include "effect/LevellerVariables.h"
#include "graphics/LevellerWidgets.h"

// One slider row of the editor.
struct LevellerSliderRow
{
    int slider;                      // index into sliders
    LevellerSliderGeometry geometry; // pixels, range, step, default
    double captionHandle;            // string handle of the caption left of the track
    double unitHandle;               // string handle of the unit after the value; 0: step row
    double zeroHandle;               // string handle of the text shown instead of 0; 0: none
    // The script's copy of the slider (shared with the slider hook's thread).
    SharedDouble LevellerVariables::*copy;
    SliderWidgetState LevellerVariables::*widget;
};

// A row's geometry: its pixels, with the range, step and default of slider `slider` from the
// parameter table (the editor sets values on the same grid as hosts).
constexpr LevellerSliderGeometry Row(double x, double y, double w, double h, int slider)
{
    const LevellerParameter& p = *LevellerParameterOfSlider(slider);
    return {x, y, w, h, p.minimum, p.maximum, p.step, p.defaultValue};
}

// clang-format off
// Rows 3 and 4 show a step name (looked up in the label tables), the others their value and unit.
inline constexpr LevellerSliderRow kLevellerRows[] = {
    //  k      x    y    w    h  slider    caption  unit  zero text
    {3,  Row(115, 50, 200, 20, 3),  kStrLowCutCaption,       0, 0,                    &LevellerVariables::sliderCopy3,  &LevellerVariables::widget3},
    {4,  Row(115, 80, 200, 20, 4),  kStrAttackCaption,       0, 0,                    &LevellerVariables::sliderCopy4,  &LevellerVariables::widget4},
    {5,  Row(115, 110, 200, 20, 5),  kStrPushDownCaption,     kStrPushDownUnit, 0,     &LevellerVariables::sliderCopy5,  &LevellerVariables::widget5},
    {6,  Row(115, 140, 200, 20, 6),  kStrPullUpCaption,       kStrPullUpUnit, 0,       &LevellerVariables::sliderCopy6,  &LevellerVariables::widget6},
    {7,  Row(115, 170, 200, 20, 7),  kStrRecoveryCaption,     kStrRecoveryUnit, 0,     &LevellerVariables::sliderCopy7,  &LevellerVariables::widget7},
    {8,  Row(115, 200, 200, 20, 8),  kStrEmphasisCaption,     kStrEmphasisUnit, 0,     &LevellerVariables::sliderCopy8,  &LevellerVariables::widget8},
    {9,  Row(115, 230, 200, 20, 9),  kStrOutputCaption,       kStrOutputUnit, 0,       &LevellerVariables::sliderCopy9,  &LevellerVariables::widget9},
    {10, Row(260, 269, 100, 20, 10), kStrDisplaySpeedCaption, kStrDisplaySpeedUnit, 0, &LevellerVariables::sliderCopy10, &LevellerVariables::widget10},
    // The Brake, in the header band between the wordmark and the vendor name; 0 reads "Off".
    {11, Row(150, 11, 100, 20, 11),  kStrBrakeCaption,        kStrBrakeUnit, kStrLowCutSteps, &LevellerVariables::sliderCopy11, &LevellerVariables::widget11},
};
// clang-format on

// Indices into kLevellerRows.
inline constexpr int kRowLowCut = 0;     // slider 3, step names
inline constexpr int kRowAttack = 1;     // slider 4, step names
inline constexpr int kRowFirstValue = 2; // sliders 5 .. 9 follow in order
inline constexpr int kRowLastValue = 6;
inline constexpr int kRowDisplaySpeed = 7; // slider 10, below the switch
inline constexpr int kRowBrake = 8;        // slider 11, in the header band

// Writable slots: the value text of the row being drawn, then the three readout values.
inline constexpr double kSlotRowValue = 190000;
inline constexpr double kSlotRangeReduction = 190001;
inline constexpr double kSlotMaxGain = 190002;
inline constexpr double kSlotMaxAttenuation = 190003;

// Image numbers.
inline constexpr double kImageBackground = 0;
inline constexpr double kImageKnob = 1;

// Step names and value texts start here (pixels); captions end 5 pixels left of the track.
inline constexpr double kStepNameX = 320;
inline constexpr double kTextGap = 5;

// Vertical centre of the switch row (its caption is centred on it).
inline constexpr double kSwitchCentreY = 279;

// Height of the graph's click area below graphTop, and of the cursor below graphY (pixels).
inline constexpr double kGraphAreaHeight = 230;
inline constexpr double kGraphHeight = 200;
// Most graph columns one frame draws: the surface is 430 pixels wide.
inline constexpr int kMaxGraphColumns = 4096;

// Build label position.
inline constexpr double kBuildLabelX = 12;
inline constexpr double kBuildLabelY = 580;
