#pragma once
// The script graphics tests' pieces: the shared recording target and fake host, and the debug
// log lookups.

#include <gtest/gtest.h>

#include <string>

#include "runtime/Xlat.h"
#include "tests/support/FakeHost.h"
#include "tests/support/RecordingTarget.h"

// The runtime as the script graphics tests drive it: drawing through the fake host into the
// recording target.
struct GfxDrawingTest : ::testing::Test
{
    GfxDrawingTest()
    {
        plugin.target = &target;
        runtime.adapter = &plugin;
    }
    RecordingTarget target;
    CFakeHost plugin;
    TXlat runtime;
};

// Lines of the debug log that contain `needle` (the log is shared with other programs, so
// tests look only for their own unique texts).
int CountLogLines(const std::string& needle);
// A text unique to this process and call, for file names.
std::string GfxUniqueTag(const std::string& stem);
