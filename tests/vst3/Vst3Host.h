#pragma once
// A small VST3 host for the tests, written like the hosts the plug-in meets: it loads a bundle's
// module for this platform, calls its module entry, takes the factory's first audio effect
// class, and drives the component (and its controller: the same object when the component
// answers IEditController, else the class the component names) through the interface only.
// Host-side objects: a memory stream that can be made to move few bytes per call, parameter
// change lists, a component handler that records what it is told, and an editor frame with a
// run loop (timers and file descriptors, stepped by the test).
//
// Threads: the test's thread throughout.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/lib/VstLibrary.h"
#include "vst3/Vst3Interfaces.h"

// Where the build put things (compile definitions of the test program).
inline std::string BuiltBundlePath()
{
    return QUAR2_VST3_BUNDLE;
}
inline std::string BuiltVst2Path()
{
    return QUAR2_PLUGIN_PATH;
}

// A reference-counted host object over one interface; the count is checked by the tests.
template <typename I> class CHostObject : public I
{
  public:
    vst3::tresult VST3_API queryInterface(const char* id, void** obj) override
    {
        if (!obj) return vst3::kInvalidArgument;
        *obj = nullptr;
        if (!vst3::SameUid(id, vst3::FUnknown::iid) && !vst3::SameUid(id, I::iid))
            return vst3::kNoInterface;
        *obj = static_cast<I*>(this);
        addRef();
        return vst3::kResultOk;
    }
    vst3::uint32 VST3_API addRef() override { return ++references; }
    vst3::uint32 VST3_API release() override { return --references; } // owned by the test
    vst3::uint32 references = 1;
};

// IBStream over a byte vector; `step` > 0 moves at most that many bytes per read or write.
class CMemoryStream : public CHostObject<vst3::IBStream>
{
  public:
    CMemoryStream() = default;
    explicit CMemoryStream(std::vector<uint8_t> content) : bytes(std::move(content)) {}
    vst3::tresult VST3_API read(void* buffer, vst3::int32 numBytes,
                                vst3::int32* numBytesRead) override;
    vst3::tresult VST3_API write(void* buffer, vst3::int32 numBytes,
                                 vst3::int32* numBytesWritten) override;
    vst3::tresult VST3_API seek(vst3::int64 pos, vst3::int32 mode, vst3::int64* result) override;
    vst3::tresult VST3_API tell(vst3::int64* pos) override;

    std::vector<uint8_t> bytes;
    size_t position = 0;
    vst3::int32 step = 0;
};

// One parameter's queue of points.
class CValueQueue : public CHostObject<vst3::IParamValueQueue>
{
  public:
    vst3::ParamID VST3_API getParameterId() override { return id; }
    vst3::int32 VST3_API getPointCount() override
    {
        return static_cast<vst3::int32>(points.size());
    }
    vst3::tresult VST3_API getPoint(vst3::int32 index, vst3::int32* offset,
                                    vst3::ParamValue* value) override;
    vst3::tresult VST3_API addPoint(vst3::int32 offset, vst3::ParamValue value,
                                    vst3::int32* index) override;

    vst3::ParamID id = 0;
    std::vector<std::pair<vst3::int32, vst3::ParamValue>> points;
};

class CParameterChanges : public CHostObject<vst3::IParameterChanges>
{
  public:
    vst3::int32 VST3_API getParameterCount() override
    {
        return static_cast<vst3::int32>(queues.size());
    }
    vst3::IParamValueQueue* VST3_API getParameterData(vst3::int32 index) override;
    vst3::IParamValueQueue* VST3_API addParameterData(const vst3::ParamID* id,
                                                      vst3::int32* index) override;
    // Adds the point (offset, value) to the queue of `id`.
    void add(vst3::ParamID id, vst3::ParamValue value, vst3::int32 offset = 0);

    std::vector<std::unique_ptr<CValueQueue>> queues;
};

// Records the controller's calls to the host.
class CRecordingHandler : public CHostObject<vst3::IComponentHandler>
{
  public:
    vst3::tresult VST3_API beginEdit(vst3::ParamID id) override;
    vst3::tresult VST3_API performEdit(vst3::ParamID id, vst3::ParamValue value) override;
    vst3::tresult VST3_API endEdit(vst3::ParamID id) override;
    vst3::tresult VST3_API restartComponent(vst3::int32 flags) override;

    std::vector<std::string> calls; // "begin 3", "perform 3 0.5", "end 3", "restart 8"
};

class CHostApplication : public CHostObject<vst3::IHostApplication>
{
  public:
    vst3::tresult VST3_API getName(vst3::char16* name) override;
    vst3::tresult VST3_API createInstance(char*, char*, void** obj) override;
};

// An editor frame that also answers IRunLoop (Linux hosts hand their run loop this way).
class CEditorFrame : public vst3::IPlugFrame, public vst3::IRunLoop
{
  public:
    vst3::tresult VST3_API queryInterface(const char* id, void** obj) override;
    vst3::uint32 VST3_API addRef() override { return ++references; }
    vst3::uint32 VST3_API release() override { return --references; }
    vst3::tresult VST3_API resizeView(vst3::IPlugView*, vst3::ViewRect*) override;
    vst3::tresult VST3_API registerEventHandler(vst3::IEventHandler* handler, int fd) override;
    vst3::tresult VST3_API unregisterEventHandler(vst3::IEventHandler* handler) override;
    vst3::tresult VST3_API registerTimer(vst3::ITimerHandler* handler,
                                         vst3::uint64 milliseconds) override;
    vst3::tresult VST3_API unregisterTimer(vst3::ITimerHandler* handler) override;
    // Fires every timer once and every handler whose descriptor is readable.
    void step();

    vst3::uint32 references = 1;
    std::vector<std::pair<vst3::IEventHandler*, int>> handlers;
    std::vector<vst3::ITimerHandler*> timers;
};

// The module of a bundle for this platform, with its factory.
class CVst3Module
{
  public:
    ~CVst3Module() { close(); }
    // False with a reason in `error`.
    bool open(const std::string& bundle, std::string& error);
    void close();
    vst3::IPluginFactory* factory() const { return pluginFactory; }
    // The binary inside the bundle for this platform.
    static std::string binaryPath(const std::string& bundle);

  private:
    CVstLibrary library;
    vst3::IPluginFactory* pluginFactory = nullptr;
};

// One instance of the module's first audio effect class, initialized, stereo, set up and
// activated by start(); released when the object goes.
class CVst3Instance
{
  public:
    CVst3Instance(vst3::IPluginFactory& factory, CHostApplication& host);
    ~CVst3Instance();
    bool ok() const { return component && processor && controller; }

    // Stereo buses, the setup, buses and component active, processing on.
    bool start(double rate, vst3::int32 maxBlock, vst3::int32 sampleSize = vst3::kSample32);
    void stop();

    // One block, in place when `out` is `in`; `changes` and `context` may be null.
    vst3::tresult process(float* const* in, float* const* out, vst3::int32 frames,
                          CParameterChanges* changes = nullptr,
                          vst3::ProcessContext* context = nullptr);
    vst3::tresult process(double* const* in, double* const* out, vst3::int32 frames,
                          CParameterChanges* changes = nullptr,
                          vst3::ProcessContext* context = nullptr);

    vst3::IComponent* component = nullptr;
    vst3::IAudioProcessor* processor = nullptr;
    vst3::IEditController* controller = nullptr;
    vst3::IConnectionPoint* componentPoint = nullptr;
    vst3::IConnectionPoint* controllerPoint = nullptr;
    bool singleComponent = false;

  private:
    template <typename T>
    vst3::tresult run(T* const* in, T* const* out, vst3::int32 frames, vst3::int32 size,
                      CParameterChanges* changes, vst3::ProcessContext* context);
    bool active = false;
};

// UTF-16 of the interface to UTF-8 (ASCII here).
std::string Narrow(const vst3::char16* text);
