// A tiny VST 2.4 plug-in for the command-line host's end-to-end tests, written straight against
// the binary interface so that it behaves exactly as the tests need:
//  - a pure delay of `kDelay` frames, reported as initialDelay only once it has processed a
//    block (as QUAR2 does), times a gain parameter;
//  - three parameters: "Gain [dB]" (-24..24, whole dB), "Mode" (steps "Soft", "Hard",
//    "Off") and "Mix" (continuous 0..100 %, label "%");
//  - programs as chunks: 12 bytes, "QHT1" and two floats (gain dB, mode), strictly checked;
//  - an editor of 200 x 100 pixels (Win32 or X11, CliTestEditor*.cpp).
// Built twice: with QUAR2_TEST_NULL_EFFECT its entry point returns no effect. Built for Windows
// as well, for the tests through the Wine bridge; there a "Mode" of "Off" held for more than
// 50 blocks with QUAR2_TEST_CRASH makes the plug-in crash, as a broken plug-in would.
// The environment variable QUAR2_TEST_PLUGIN_FAULT makes it misbehave the way plug-ins in the
// field do, from its 1000th output frame on: "nan" or "inf" outputs that instead of audio,
// "segv", "abort" and "exit" end the process, "slow" sleeps 50 ms per block; "no-editor" makes
// it announce no editor.

#include "vst/AEffectX.h"

#include "CliTestEditor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>
#ifndef _WIN32
#include <unistd.h>
#endif

namespace
{

constexpr int kDelay = 100;
constexpr int kParams = 3;

struct TestPlugin
{
    AEffect effect{};
    audioMasterCallback host = nullptr;
    float params[kParams] = {0.5f, 0.0f, 1.0f};
    char programName[kVstMaxProgNameLen] = "Init";
    std::vector<float> line[2]; // delay lines, kDelay frames each
    int pos = 0;
    unsigned char chunk[12] = {};
    int blocksOff = 0;
    int blocks = 0;       // blocks processed, shown by the Windows editor
    long long frames = 0; // frames processed
    std::string fault =
        std::getenv("QUAR2_TEST_PLUGIN_FAULT") ? std::getenv("QUAR2_TEST_PLUGIN_FAULT") : "";

    double gainDb() const { return std::round(params[0] * 48.0) - 24.0; }
    int mode() const { return std::min(2, int(params[1] * 3.0f)); }
};

TestPlugin* self(AEffect* e)
{
    return static_cast<TestPlugin*>(e->object);
}

void copyText(void* ptr, const char* text)
{
    // Parameter texts fit the 8-character limit of the interface, with the terminator.
    std::snprintf(static_cast<char*>(ptr), kVstMaxParamStrLen + 1, "%s", text);
}

[[maybe_unused]] VstIntPtr dispatcher(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                      void* ptr, float)
{
    TestPlugin* p = self(e);
    switch (opcode)
    {
    case effClose:
        delete p;
        return 1;
    case effMainsChanged:
        if (value != 0)
        {
            for (auto& l : p->line)
                l.assign(kDelay, 0.0f);
            p->pos = 0;
            e->initialDelay = 0; // reported again by the first block
        }
        return 0;
    case effGetParamName:
    {
        static const char* names[kParams] = {"Gain [dB]", "Mode", "Mix"};
        if (index >= 0 && index < kParams)
            std::snprintf(static_cast<char*>(ptr), 32, "%s", names[index]);
        return 0;
    }
    case effGetParamLabel:
        copyText(ptr, index == 2 ? "%" : "");
        return 0;
    case effGetParamDisplay:
    {
        char text[32] = "";
        if (index == 0)
            std::snprintf(text, sizeof text, "%.1f", p->gainDb());
        else if (index == 1)
        {
            static const char* modes[3] = {"Soft", "Hard", "Off"};
            std::snprintf(text, sizeof text, "%s", modes[p->mode()]);
        }
        else if (index == 2)
            std::snprintf(text, sizeof text, "%.2f", double(p->params[2]) * 100.0);
        copyText(ptr, text);
        return 0;
    }
    case effGetProgramName:
        std::snprintf(static_cast<char*>(ptr), kVstMaxProgNameLen, "%s", p->programName);
        return 0;
    case effSetProgramName:
        std::snprintf(p->programName, sizeof p->programName, "%s", static_cast<const char*>(ptr));
        return 0;
    case effGetChunk:
    {
        std::memcpy(p->chunk, "QHT1", 4);
        const float g = p->params[0], m = p->params[1];
        std::memcpy(p->chunk + 4, &g, 4);
        std::memcpy(p->chunk + 8, &m, 4);
        *static_cast<void**>(ptr) = p->chunk;
        return sizeof p->chunk;
    }
    case effSetChunk:
        if (value == 12 && std::memcmp(ptr, "QHT1", 4) == 0)
        {
            std::memcpy(&p->params[0], static_cast<char*>(ptr) + 4, 4);
            std::memcpy(&p->params[1], static_cast<char*>(ptr) + 8, 4);
        }
        return value;
    case effGetEffectName:
        std::snprintf(static_cast<char*>(ptr), kVstMaxEffectNameLen, "CLI Test Delay");
        return 1;
    case effGetVendorString:
        std::snprintf(static_cast<char*>(ptr), kVstMaxVendorStrLen, "Tessel Audio Tests");
        return 1;
    case effGetProductString:
        std::snprintf(static_cast<char*>(ptr), kVstMaxProductStrLen, "CLI Test Delay");
        return 1;
    case effGetVendorVersion:
        return 7;
    case effEditGetRect:
    {
        static ERect rect{0, 0, kTestEditorHeight, kTestEditorWidth};
        *static_cast<ERect**>(ptr) = &rect;
        return 1;
    }
    case effEditOpen:
        return TestEditorOpen(ptr) ? 1 : 0;
    case effEditIdle:
        TestEditorIdle(p->blocks);
        return 0;
    case effEditClose:
        TestEditorClose();
        return 0;
    case effGetVstVersion:
        return kVstVersion;
    default:
        return 0;
    }
}

[[maybe_unused]] void setParameter(AEffect* e, VstInt32 index, float value)
{
    if (index >= 0 && index < kParams) self(e)->params[index] = value;
}

[[maybe_unused]] float getParameter(AEffect* e, VstInt32 index)
{
    return index >= 0 && index < kParams ? self(e)->params[index] : 0.0f;
}

constexpr long long kFaultFrame = 1000;

// A real invalid store, not a sanitizer report, even in the sanitized build.
#ifdef __GNUC__
__attribute__((no_sanitize("undefined")))
#endif
void misbehave(const std::string& fault, float& sample)
{
    if (fault == "nan")
        sample = std::numeric_limits<float>::quiet_NaN();
    else if (fault == "inf")
        sample = -std::numeric_limits<float>::infinity();
    else if (fault == "segv")
        *static_cast<volatile int*>(nullptr) = 1;
    else if (fault == "abort")
        std::abort();
    else if (fault == "exit")
        std::exit(3);
}

[[maybe_unused]] void processReplacing(AEffect* e, float** in, float** out, VstInt32 frames)
{
    TestPlugin* p = self(e);
    e->initialDelay = kDelay;
    ++p->blocks;
#ifdef QUAR2_TEST_CRASH
    if (p->mode() == 2 && ++p->blocksOff > 50) *static_cast<volatile int*>(nullptr) = 1;
#endif
    // Every block asks for the transport, as a tempo-synced effect would; the host must answer.
    auto* time = reinterpret_cast<VstTimeInfo*>(
        p->host(e, audioMasterGetTime, 0, kVstTransportPlaying, nullptr, 0));
    const bool playing = time != nullptr && (time->flags & kVstTransportPlaying) != 0;
    const float gain =
        p->mode() == 2 || !playing ? 0.0f : float(std::pow(10.0, p->gainDb() / 20.0));
    for (VstInt32 i = 0; i < frames; ++i)
    {
        for (int c = 0; c < 2; ++c)
        {
            const float x = in[c][i];
            out[c][i] = p->line[c][size_t(p->pos)] * gain;
            p->line[c][size_t(p->pos)] = x;
        }
        p->pos = (p->pos + 1) % kDelay;
        if (p->frames + i >= kFaultFrame && !p->fault.empty()) misbehave(p->fault, out[0][i]);
    }
    p->frames += frames;
#ifndef _WIN32
    if (p->fault == "slow") usleep(50000);
#endif
}

} // namespace

#ifdef _WIN32
#define CLI_TEST_EXPORT __declspec(dllexport)
#else
#define CLI_TEST_EXPORT __attribute__((visibility("default")))
#endif

extern "C" CLI_TEST_EXPORT AEffect* VSTPluginMain(audioMasterCallback host)
{
#ifdef QUAR2_TEST_NULL_EFFECT
    (void)host;
    return nullptr;
#else
    if (host(nullptr, audioMasterVersion, 0, 0, nullptr, 0) == 0) return nullptr;
    auto* p = new TestPlugin();
    p->host = host;
    AEffect& e = p->effect;
    e.magic = kEffectMagic;
    e.dispatcher = dispatcher;
    e.setParameter = setParameter;
    e.getParameter = getParameter;
    e.processReplacing = processReplacing;
    e.numPrograms = 1;
    e.numParams = kParams;
    e.numInputs = 2;
    e.numOutputs = 2;
    e.flags = effFlagsCanReplacing | effFlagsProgramChunks;
    // "no-editor" leaves the editor out, as many plug-ins do.
    if (p->fault != "no-editor") e.flags |= effFlagsHasEditor;
    e.ioRatio = 1.0f;
    e.object = p;
    e.uniqueID = vstFourCC('Q', 'H', 'T', 'D');
    e.version = 3;
    for (auto& l : p->line)
        l.assign(kDelay, 0.0f);
    return &e;
#endif
}
