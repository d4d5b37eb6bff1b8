#pragma once
// CVst3Factory: the module's plug-in factory (IPluginFactory, 2 and 3 on one object) with its one
// class, the audio effect "QUAR2" by "Tessel Audio" in "Fx|Dynamics". One factory lives at a
// time: GetPluginFactory makes it or hands out the living one with a new reference; it goes with
// its last reference.
//
// Threads: the host's UI thread.

#include <atomic>

#include "vst3/Vst3Interfaces.h"

class CVst3Factory final : public vst3::IPluginFactory3
{
  public:
    // The living factory with a reference for the caller, made when there is none; null when
    // it cannot be made.
    static CVst3Factory* get();

    vst3::tresult VST3_API queryInterface(const char* id, void** obj) override;
    vst3::uint32 VST3_API addRef() override;
    vst3::uint32 VST3_API release() override;

    vst3::tresult VST3_API getFactoryInfo(vst3::PFactoryInfo* info) override;
    vst3::int32 VST3_API countClasses() override;
    vst3::tresult VST3_API getClassInfo(vst3::int32 index, vst3::PClassInfo* info) override;
    vst3::tresult VST3_API createInstance(const char* cid, const char* id, void** obj) override;
    vst3::tresult VST3_API getClassInfo2(vst3::int32 index, vst3::PClassInfo2* info) override;
    vst3::tresult VST3_API getClassInfoUnicode(vst3::int32 index, vst3::PClassInfoW* info) override;
    vst3::tresult VST3_API setHostContext(vst3::FUnknown* context) override;

  private:
    CVst3Factory() = default;
    ~CVst3Factory();

    std::atomic<vst3::uint32> references{1};
    vst3::FUnknown* hostContext = nullptr;
};
