#pragma once
// The built plug-in (QUAR2.so natively, QUAR2.dll under Wine) loaded through the host library,
// exactly as a host loads it. Shared by the binary tests of both builds.

#include "host/cli/SpeechLikeSignal.h"
#include "host/lib/VstPlugin.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

// Where the build put the plug-in (a compile definition of the test program).
inline std::string BuiltPluginPath()
{
    return QUAR2_PLUGIN_PATH;
}

// The entry names the plug-in exports on this platform.
inline std::vector<std::string> BuiltPluginEntries()
{
#ifdef _WIN32
    return {"VSTPluginMain", "main", "MAIN"};
#else
    return {"VSTPluginMain", "main"};
#endif
}

// Flags of a fresh instance: editor, replacing, chunks, double replacing (QUAR2.dll and
// QUAR2.so both have the editor).
constexpr VstInt32 kExpectedFlags = 0x1031;

// One library, loaded once per test, and instances made from it.
class BuiltPlugin : public ::testing::Test
{
  protected:
    void SetUp() override { ASSERT_TRUE(library.open(BuiltPluginPath())) << library.error(); }
    void TearDown() override
    {
        instances.clear(); // effClose before the library goes
        library.close();
    }

    // A new instance through `entry`, answered by `host`; opened, at `rate` Hz with blocks of
    // `block` frames, resumed when `resume`.
    CVstPlugin* make(CHostCallback& host, const char* entry = "VSTPluginMain",
                     float rate = 44100.0f, VstInt32 block = 256, bool resume = true)
    {
        std::string error;
        auto plugin = CVstPlugin::create(library.entry(entry), host, error);
        if (!plugin)
        {
            ADD_FAILURE() << "no instance through " << entry << ": " << error;
            return nullptr;
        }
        plugin->open();
        plugin->setSampleRate(rate);
        plugin->setBlockSize(block);
        if (resume) plugin->resume();
        instances.push_back(std::move(plugin));
        return instances.back().get();
    }

    CVstLibrary library;
    std::vector<std::unique_ptr<CVstPlugin>> instances;
};

// The shared speech-like stereo signal (phrases at levels up to 24 dB apart, pauses), `frames`
// long at 44.1 kHz. Values are floats, so the float and the double paths see the same numbers.
inline std::vector<std::vector<float>> SpeechLikeSignal(size_t frames)
{
    constexpr int kRate = 44100;
    StereoSignal s = makeSpeechLikeSignal(static_cast<double>(frames + 1) / kRate, kRate);
    s.left.resize(frames);
    s.right.resize(frames);
    return {std::move(s.left), std::move(s.right)};
}
