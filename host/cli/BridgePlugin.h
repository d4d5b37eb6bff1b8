#pragma once
// A Windows plug-in (.dll) run under Wine by quar2-bridge.exe, which loads it and answers our
// requests over its standard input and output.

#include "host/lib/PluginInstance.h"

#include <memory>
#include <string>

// Starts the bridge for `dllPath`; null with a one-line reason when it cannot.
std::unique_ptr<CPluginInstance> startBridgePlugin(const std::string& dllPath, std::string& error);
