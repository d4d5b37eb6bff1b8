#pragma once
// CVst3Effect: QUAR2 as one VST3 object, processor and edit controller together (the
// interface's single-component form). It presents one COstraBridge to the host: the audio,
// the parameters, the state chunk and the editor are the VST 2.4 plug-in's own, driven through
// the bridge; this class only translates the VST3 calls, checks what the host hands over, and
// adds what VST3 asks beyond VST 2.4 (the bypass parameter, restartComponent).
//
// Threads: the host's UI thread for everything but process() and setProcessing() (audio
// thread) and the reference counting (any). process() neither allocates nor locks. What the
// plug-in reports on another thread (a changed latency or display) waits in `pendingRestart`
// until a UI-thread call hands it to the host.

#include <atomic>
#include <memory>

#include "plugin/OstraBridge.h"
#include "vst3/Vst3Bypass.h"
#include "vst3/Vst3Interfaces.h"

// IComponent and IEditController both name their state calls setState and getState; these shims
// give each pair names of its own, so that one object can serve both vtables.
class CVst3ComponentPart : public vst3::IComponent
{
  public:
    vst3::tresult VST3_API setState(vst3::IBStream* state) final { return loadChunk(state); }
    vst3::tresult VST3_API getState(vst3::IBStream* state) final { return saveChunk(state); }
    virtual vst3::tresult loadChunk(vst3::IBStream* state) = 0;
    virtual vst3::tresult saveChunk(vst3::IBStream* state) = 0;
};

class CVst3ControllerPart : public vst3::IEditController
{
  public:
    vst3::tresult VST3_API setState(vst3::IBStream* state) final
    {
        return setControllerState(state);
    }
    vst3::tresult VST3_API getState(vst3::IBStream* state) final
    {
        return getControllerState(state);
    }
    virtual vst3::tresult setControllerState(vst3::IBStream* state) = 0;
    virtual vst3::tresult getControllerState(vst3::IBStream* state) = 0;
};

class CVst3Effect final : public CVst3ComponentPart,
                          public vst3::IAudioProcessor,
                          public vst3::IProcessContextRequirements,
                          public CVst3ControllerPart,
                          public vst3::IConnectionPoint,
                          private COstraHostServices
{
  public:
    CVst3Effect() = default;
    CVst3Effect(const CVst3Effect&) = delete;
    CVst3Effect& operator=(const CVst3Effect&) = delete;

    // The bridge while initialized, else null (the view and the tests use it).
    COstraBridge* bridge() const { return plugin.get(); }
    // [UI thread] Hands waiting restart requests to the component handler.
    void deliverRestarts();

    // --- FUnknown ------------------------------------------------------------------------------
    vst3::tresult VST3_API queryInterface(const char* id, void** obj) override;
    vst3::uint32 VST3_API addRef() override;
    vst3::uint32 VST3_API release() override;

    // --- IPluginBase (shared by IComponent and IEditController) --------------------------------
    vst3::tresult VST3_API initialize(vst3::FUnknown* context) override;
    vst3::tresult VST3_API terminate() override;

    // --- IComponent ----------------------------------------------------------------------------
    vst3::tresult VST3_API getControllerClassId(char classId[16]) override;
    vst3::tresult VST3_API setIoMode(vst3::int32 mode) override;
    vst3::int32 VST3_API getBusCount(vst3::int32 type, vst3::int32 dir) override;
    vst3::tresult VST3_API getBusInfo(vst3::int32 type, vst3::int32 dir, vst3::int32 index,
                                      vst3::BusInfo* bus) override;
    vst3::tresult VST3_API getRoutingInfo(vst3::RoutingInfo* in, vst3::RoutingInfo* out) override;
    vst3::tresult VST3_API activateBus(vst3::int32 type, vst3::int32 dir, vst3::int32 index,
                                       vst3::TBool state) override;
    vst3::tresult VST3_API setActive(vst3::TBool state) override;
    // The state chunk, the same bytes as the VST 2.4 chunk.
    vst3::tresult loadChunk(vst3::IBStream* state) override;
    vst3::tresult saveChunk(vst3::IBStream* state) override;

    // --- IAudioProcessor -----------------------------------------------------------------------
    vst3::tresult VST3_API setBusArrangements(vst3::SpeakerArrangement* inputs, vst3::int32 numIns,
                                              vst3::SpeakerArrangement* outputs,
                                              vst3::int32 numOuts) override;
    vst3::tresult VST3_API getBusArrangement(vst3::int32 dir, vst3::int32 index,
                                             vst3::SpeakerArrangement* arr) override;
    vst3::tresult VST3_API canProcessSampleSize(vst3::int32 symbolicSampleSize) override;
    vst3::uint32 VST3_API getLatencySamples() override;
    vst3::tresult VST3_API setupProcessing(vst3::ProcessSetup* setup) override;
    vst3::tresult VST3_API setProcessing(vst3::TBool state) override;
    vst3::tresult VST3_API process(vst3::ProcessData* data) override;
    vst3::uint32 VST3_API getTailSamples() override;

    // --- IProcessContextRequirements -----------------------------------------------------------
    vst3::uint32 VST3_API getProcessContextRequirements() override;

    // --- IEditController -----------------------------------------------------------------------
    vst3::tresult VST3_API setComponentState(vst3::IBStream* state) override;
    // The controller's own state: the bypass (an empty state leaves it as it is).
    vst3::tresult setControllerState(vst3::IBStream* state) override;
    vst3::tresult getControllerState(vst3::IBStream* state) override;
    vst3::int32 VST3_API getParameterCount() override;
    vst3::tresult VST3_API getParameterInfo(vst3::int32 paramIndex,
                                            vst3::ParameterInfo* info) override;
    vst3::tresult VST3_API getParamStringByValue(vst3::ParamID id, vst3::ParamValue value,
                                                 vst3::char16* string) override;
    vst3::tresult VST3_API getParamValueByString(vst3::ParamID id, vst3::char16* string,
                                                 vst3::ParamValue* value) override;
    vst3::ParamValue VST3_API normalizedParamToPlain(vst3::ParamID id,
                                                     vst3::ParamValue value) override;
    vst3::ParamValue VST3_API plainParamToNormalized(vst3::ParamID id,
                                                     vst3::ParamValue plain) override;
    vst3::ParamValue VST3_API getParamNormalized(vst3::ParamID id) override;
    vst3::tresult VST3_API setParamNormalized(vst3::ParamID id, vst3::ParamValue value) override;
    vst3::tresult VST3_API setComponentHandler(vst3::IComponentHandler* handler) override;
    vst3::IPlugView* VST3_API createView(vst3::FIDString name) override;

    // --- IConnectionPoint ----------------------------------------------------------------------
    vst3::tresult VST3_API connect(vst3::IConnectionPoint* other) override;
    vst3::tresult VST3_API disconnect(vst3::IConnectionPoint* other) override;
    vst3::tresult VST3_API notify(vst3::IMessage* message) override;

  private:
    ~CVst3Effect();

    // COstraHostServices: the editor's gestures and the plug-in's reports.
    void beginEdit(int32_t index) override;
    void performEdit(int32_t index, double normalized) override;
    void endEdit(int32_t index) override;
    void latencyChanged(int32_t frames) override;
    void displayChanged() override;

    // [audio] Applies the last value of every queue in `changes` (may be null).
    void applyChanges(vst3::IParameterChanges* changes);
    template <typename T> void processBlock(T* const* in, T* const* out, vst3::int32 frames);
    bool isLevellerParameter(vst3::ParamID id) const;

    std::atomic<vst3::uint32> references{1};
    std::unique_ptr<COstraBridge> plugin;
    vst3::FUnknown* hostContext = nullptr;
    vst3::IComponentHandler* handler = nullptr;
    CVst3Bypass bypass;
    std::atomic<double> bypassValue{0.0};
    std::atomic<vst3::int32> pendingRestart{0};
    std::atomic<vst3::uint32> latencyInForce{0};
    vst3::ProcessSetup processSetup{vst3::kRealtime, vst3::kSample32, 1024, 44100.0};
    bool active = false;
};
