#pragma once
// A runtime that records which hooks ran, for testing the plug-in object in process, and an
// instance helper that makes a COstra around it with a recording host.

#include "host/lib/HostCallback.h"
#include "plugin/COstra.h"
#include "plugin/OstraCallbackFillers.h"
#include "runtime/Xlat.h"

#include <string>

class ProbeRuntime : public TXlat
{
  public:
    // `channels` inputs and outputs; sets *deleted when destroyed.
    explicit ProbeRuntime(int32_t channels = 2, bool* deleted = nullptr) : deleted(deleted)
    {
        effectName = "Probe";
        productString = "Probe Product";
        vendorString = "Probe Vendor";
        programName = "Init";
        version = 7;
        uniqueId = 0x50524F42; // 'PROB'
        channelCount = channels;
        // 0: a plain slider 0..10 in steps of 1; 1: named steps; 2: no step (step 0) with a
        // mirror; 3: an empty range (like a folder slider with one file).
        AddSlider(2, nullptr, 5.0, 0.0, 10.0, 1.0, "", "", "dB", "Gain");
        AddSlider(3, nullptr, 0.0, 0.0, 2.0, 1.0, "", "", "", "Mode");
        AddEnumName("Slow");
        AddEnumName("Medium");
        AddEnumName("Fast");
        AddSlider(4, &mirror, 0.25, 0.0, 1.0, 0.0, "", "", "", "Free");
        AddSlider(5, nullptr, 0.0, 0.0, 0.0, 0.5, "", "", "", "Empty");
    }
    ~ProbeRuntime() override
    {
        if (deleted) *deleted = true;
    }

    void DoOpen() override
    {
        TXlat::DoOpen();
        log += "open;";
    }
    void DoClose() override { log += "close;"; }
    void DoSuspend() override { log += "suspend;"; }
    void DoInit() override { log += "init;"; }
    void DoSlider() override { log += "slider;"; }
    void DoIdle() override { log += "idle;"; }
    void DoGfx(double width, double height) override
    {
        log += "gfx " + std::to_string(static_cast<int>(width)) + "x" +
               std::to_string(static_cast<int>(height)) + ";";
    }
    void DoBlock() override { ++blocks; }
    // Doubles every channel and adds its number, or passes it unchanged when `identity`.
    void DoSample() override
    {
        ++frames;
        if (identity) return;
        for (int c = 0; c < kSampleCount; ++c)
            samples[c] = samples[c] * 2.0 + c;
    }

    std::string log;
    int blocks = 0;
    int frames = 0;
    bool identity = false;
    double mirror = 0.0;
    bool* deleted;
};

// One COstra around a runtime, made with a CHostCallback as host; closed (effClose) at the end.
struct ProbeInstance
{
    CHostCallback host;
    COstra* plugin = nullptr;

    explicit ProbeInstance(TXlat* runtime, const TOstraCallbacks& table = MakeOstraCallbacks(),
                           VstIntPtr version = 2400)
    {
        host.versionAnswer = version;
        CHostCallback::MakingGuard guard(&host);
        plugin =
            CreateOstra(runtime, table, CHostCallback::callback, 1, runtime->SliderRecordCount());
        if (plugin)
        {
            host.attach(plugin->getAeffect());
            runtime->adapter = plugin;
        }
    }
    ~ProbeInstance()
    {
        if (plugin) dispatch(effClose);
    }
    VstIntPtr dispatch(VstInt32 op, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f)
    {
        AEffect* e = plugin->getAeffect();
        return e->dispatcher(e, op, index, value, ptr, opt);
    }
    AEffect* effect() { return plugin->getAeffect(); }
};
