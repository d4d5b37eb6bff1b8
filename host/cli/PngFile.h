#pragma once
// Writes 8-bit RGB pictures as PNG files with libpng, through a temporary file that is renamed
// into place only when complete.

#include "host/cli/FileOutput.h"
#include "host/lib/PluginInstance.h"

#include <string>

bool writePng(const OutputTarget& target, const EditorImage& image, std::string& error);
