#pragma once
// The script graphics tests' pieces: the shared recording target and fake host, and the debug
// log lookups.

#include <string>

#include "tests/support/FakeHost.h"
#include "tests/support/RecordingTarget.h"

// Lines of the debug log that contain `needle` (the log is shared with other programs, so
// tests look only for their own unique texts).
int CountLogLines(const std::string& needle);
// A text unique to this process and call, for file names.
std::string GfxUniqueTag(const std::string& stem);
