#pragma once
// The leveller's parameters: one table that says everything a host or the editor knows of them.
// Row i is host parameter i in every format (the VST 2.4 index, the VST3 and CLAP parameter id);
// the effect declares its sliders from it, the editor's rows take their ranges, steps and
// defaults from it, and the format adapters their titles, units and step counts.
//
// The rows never move: hosts store automation and presets by these indexes. New parameters are
// appended (the Brake came last for that reason).

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

struct LevellerParameter
{
    int32_t slider;   // the script slider it sets (sliders[slider])
    const char* name; // the host's name as VST 2.4 hosts have always shown it
    // The name without the unit, and the unit on its own, for hosts that show them apart.
    const char* title;
    const char* unit;
    double defaultValue;
    double minimum;
    double maximum;
    double step; // values are snapped to multiples of it
    // Texts the host shows for the steps, lowest first; empty for a numeric parameter.
    std::span<const char* const> stepNames;
    // What a numeric parameter that 0 switches off shows at 0; null for the others.
    const char* zeroName;
    // The editor's lettering: the caption left of the row's track, and its step names (spaced
    // the way the editor's font sets them; the host's names above are the ones hosts stored).
    const char* caption;
    std::span<const char* const> editorStepNames;
};

namespace leveller_parameter_texts
{
inline constexpr std::array<const char*, 2> kOffOn = {"Off", "On"};
inline constexpr std::array<const char*, 9> kLowCut = {
    "Off", "20Hz", "40Hz", "80Hz", "100Hz", "150Hz", "200Hz", "350Hz", "500Hz"};
inline constexpr std::array<const char*, 12> kAttack = {
    "Zero", "250us", "500us", "1ms", "5ms", "10ms", "20ms", "50ms", "100ms", "200ms", "500ms",
    "1sec"};
inline constexpr std::array<const char*, 9> kLowCutLettering = {
    "Off", "20 Hz", "40 Hz", "80 Hz", "100 Hz", "150 Hz", "200 Hz", "350 Hz", "500 Hz"};
inline constexpr std::array<const char*, 12> kAttackLettering = {
    "Zero", "250us", "500 us", "1 ms", "5 ms", "10 ms", "20 ms", "50 ms", "100 ms", "200 ms",
    "500 ms", "1 s"};
} // namespace leveller_parameter_texts

// clang-format off
inline constexpr LevellerParameter kLevellerParameters[] = {
    // slider name               title            unit default min  max  step  host step names                   zero   editor caption   editor step names
    {2,  "SC Filter",       "SC Filter",     "",   0,      0,   1,   1,   leveller_parameter_texts::kOffOn,  nullptr, "Filter Side Chain", {}},
    {3,  "LF Filter",       "LF Filter",     "",   0,      0,   8,   1,   leveller_parameter_texts::kLowCut, nullptr, "LF Filter",      leveller_parameter_texts::kLowCutLettering},
    {4,  "Attack Mode",     "Attack Mode",   "",   0,      0,   11,  1,   leveller_parameter_texts::kAttack, nullptr, "Attack Mode",    leveller_parameter_texts::kAttackLettering},
    {5,  "Push Down [dB]",  "Push Down",     "dB", 0,     -30,  0,   1,   {},                                nullptr, "Push Down",      {}},
    {6,  "Pull Up [dB]",    "Pull Up",       "dB", 0,      0,   30,  1,   {},                                nullptr, "Pull Up",        {}},
    {7,  "Recovery",        "Recovery",      "",  -5,     -10,  0,   1,   {},                                nullptr, "Recovery",       {}},
    {8,  "Emphasis",        "Emphasis",      "",   0,      0,   10,  1,   {},                                nullptr, "HF De-Emphasis", {}},
    {9,  "Output [dB]",     "Output",        "dB", 0,     -20,  20,  1,   {},                                nullptr, "Output",         {}},
    {10, "[Display Speed]", "Display Speed", "s",  10,     1,   10,  0.1, {},                                nullptr, "Display Speed",  {}},
    // Appended, so that the nine parameters above keep their host indexes.
    {11, "Brake [dB]",      "Brake",         "dB", 0,     -80,  0,   1,   {},                                "Off",   "Brake",          {}},
};
// clang-format on

inline constexpr int32_t kLevellerParameterCount =
    static_cast<int32_t>(sizeof(kLevellerParameters) / sizeof(kLevellerParameters[0]));

// The row of host parameter `index`, unchecked: for tables indexed at compile time.
constexpr const LevellerParameter& LevellerParameterAt(int32_t index)
{
    return kLevellerParameters[index];
}

// The row of script slider `slider`; null for a slider that is no parameter.
constexpr const LevellerParameter* LevellerParameterOfSlider(int32_t slider)
{
    for (const LevellerParameter& p : kLevellerParameters)
    {
        if (p.slider == slider) return &p;
    }
    return nullptr;
}
