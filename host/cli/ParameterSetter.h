#pragma once
// `--set NAME=VALUE`: finds a parameter by the name the host sees and sets it to a value written
// the way the plug-in displays it: a number in the parameter's own units ("Pull Up [dB]=12",
// "Output [dB]=-3.5 dB") or a step name ("Attack Mode=5ms").
//
// VST 2 offers no general way to turn a text into a parameter value, so we search: the
// parameter is swept over its normalised range, reading the display text at each point, and the
// point whose display matches is chosen (bisecting between sweep points for continuous
// parameters). A value no point displays is an error that lists the valid ones, and the
// parameter is put back to where it was. A number within the parameter's range that no point
// displays exactly takes the nearest value the parameter can take, and the assignment says so
// (naming the step when the number falls between two steps).

#include "host/lib/PluginInstance.h"

#include <string>
#include <vector>

struct ParameterAssignment
{
    int index = -1;       // parameter index
    float normalised = 0; // value that was set
    std::string name;     // the parameter's name as the plug-in reports it
    std::string display;  // display text after setting, with the label if any
    std::string note;     // why the value differs from the one asked for, if it does
};

// Resolves NAME against the plug-in's parameter names: exact, then ignoring case, then ignoring
// case and a bracketed unit ("pull up" for "Pull Up [dB]") when that is unambiguous.
// Answers -1 with `error` listing the valid names. [UI thread]
int findParameter(CPluginInstance& plugin, const std::string& name, std::string& error);

// Parses and applies one "NAME=VALUE" setting. On failure nothing stays changed. [UI thread]
bool applyParameterSetting(CPluginInstance& plugin, const std::string& setting,
                           ParameterAssignment& result, std::string& error);

// Helpers shared with the tests: text comparison that ignores case and spaces, and a number
// parser that accepts a trailing unit ("12 dB", "-3.50dB", "5ms" → 5 with unit "ms").
std::string normaliseDisplayText(const std::string& text);
bool parseNumberWithUnit(const std::string& text, double& number, std::string& unit,
                         int* decimals = nullptr);

// The values a parameter takes, found by the same sweep and put back afterwards, for `info`:
// "-24.0 to 24.0 in 49 steps of 1.0", "0.00 to 100.00 %, continuous", "Soft, Hard, Off".
// [UI thread]
std::string describeParameterRange(CPluginInstance& plugin, int index);
