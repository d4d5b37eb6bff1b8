#pragma once
// Handles of the leveller's string constants, beside their texts' order in the open hook's
// table, and the script-memory tables of step labels the init hook fills with them. The editor
// names captions, units, fonts and formats by these handles.

#include <cstdint>

// clang-format off
enum LevellerString : int32_t
{
    kStrBuild = 10000,              // "Build 170206"
    kStrLowCutSteps = 10001,        // "Off" .. "500 Hz": one per LF Filter step (9)
    kStrAttackSteps = 10010,        // "Zero" .. "1 s": one per Attack Mode step (12)
    kStrCourierNew = 10022,
    kStrValueFormat,                // "%.1f"
    kStrRowFont,                    // "Arial"
    kStrLowCutCaption,              // "LF Filter"
    kStrAttackCaption,              // "Attack Mode"
    kStrPushDownUnit,               // "dB"
    kStrPushDownCaption,
    kStrPullUpUnit,                 // "dB"
    kStrPullUpCaption,
    kStrRecoveryUnit,               // ""
    kStrRecoveryCaption,
    kStrEmphasisUnit,               // ""
    kStrEmphasisCaption,            // "HF De-Emphasis"
    kStrOutputUnit,                 // "dB"
    kStrOutputCaption,
    kStrSwitchCaption,              // "Filter Side Chain"
    kStrDisplaySpeedUnit,           // "s"
    kStrDisplaySpeedCaption,
    kStrReadoutFont,                // "Arial"
    kStrRangeReductionCaption,      // "Dyn.Range Reduction:"
    kStrRangeReductionFormat,       // "%.2f"
    kStrRangeReductionUnit,         // " dB"
    kStrMaxGainCaption,             // "Max Gain: "
    kStrMaxGainFormat,
    kStrMaxGainUnit,
    kStrMaxAttenuationCaption,      // "Max Attenuation: "
    kStrMaxAttenuationFormat,
    kStrMaxAttenuationUnit,
    kStrBuildFont,                  // "Arial"
    kStrBrakeCaption,               // "Brake"
    kStrBrakeUnit,                  // "dB"
    kStrEnd                         // one past the last constant
};
// clang-format on

inline constexpr int32_t kLowCutStepCount = 9;
inline constexpr int32_t kAttackStepCount = 12;
static_assert(kStrLowCutSteps + kLowCutStepCount == kStrAttackSteps);
static_assert(kStrAttackSteps + kAttackStepCount == kStrCourierNew);

// Script memory: the step rows' label tables, the string handle of each step's text by step.
inline constexpr int32_t kLowCutLabelTable = 600000;
inline constexpr int32_t kAttackLabelTable = 600010;
