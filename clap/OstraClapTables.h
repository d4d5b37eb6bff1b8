#pragma once
// The static tables a CLAP host calls: the plug-in's own functions and one table per extension.
// Each entry finds the instance behind the plug-in pointer (a pointer that is not ours gets the
// failure answer), calls it, and catches every exception: nothing unwinds into the host.

#include "clap/ClapAbi.h"

// Points the functions of `plugin` at the instance trampolines.
void FillClapPluginTable(clap_plugin& plugin);
// [any] The extension table for `id`, or null for every id the plug-in does not implement.
const void* ClapExtension(const char* id);
