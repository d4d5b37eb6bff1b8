#pragma once
// Moves presets between .fxp files and a loaded plug-in.

#include "host/cli/FxpPreset.h"
#include "host/lib/PluginInstance.h"

// Checks that `program` belongs to this plug-in and fits it (unique id, chunk or parameter
// count), and only then applies it: the state chunk, or every parameter value, and the program
// name. A program that does not fit changes nothing. [UI thread]
bool applyPreset(CPluginInstance& plugin, const FxpProgram& program, std::string& error);

// Captures the plug-in's current state as a program: its chunk when it keeps programs as
// chunks, otherwise its parameter values. [UI thread]
bool capturePreset(CPluginInstance& plugin, FxpProgram& program, std::string& error);
