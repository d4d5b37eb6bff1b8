#include "tests/vst3/Vst3Host.h"

#include <algorithm>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <poll.h>
#endif

using namespace vst3;

namespace
{
// An export of `library` as the function type it has (the library's lookup is typed for the
// VST 2.4 entry; the generic function type in between is the sanctioned way to retype it).
template <typename F> F Export(const CVstLibrary& library, const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(library.entry(name)));
}
} // namespace

std::string Narrow(const char16* text)
{
    std::string s;
    for (size_t i = 0; text && i < 128 && text[i]; ++i)
        s += text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
    return s;
}

// --- CMemoryStream
// ---------------------------------------------------------------------------------

tresult VST3_API CMemoryStream::read(void* buffer, int32 numBytes, int32* numBytesRead)
{
    if (numBytesRead) *numBytesRead = 0;
    if (!buffer || numBytes < 0) return kInvalidArgument;
    size_t n = std::min(static_cast<size_t>(numBytes), bytes.size() - position);
    if (step > 0) n = std::min(n, static_cast<size_t>(step));
    if (n > 0) std::memcpy(buffer, bytes.data() + position, n);
    position += n;
    if (numBytesRead) *numBytesRead = static_cast<int32>(n);
    return kResultOk;
}

tresult VST3_API CMemoryStream::write(void* buffer, int32 numBytes, int32* numBytesWritten)
{
    if (numBytesWritten) *numBytesWritten = 0;
    if (!buffer || numBytes < 0) return kInvalidArgument;
    size_t n = static_cast<size_t>(numBytes);
    if (step > 0) n = std::min(n, static_cast<size_t>(step));
    if (bytes.size() < position + n) bytes.resize(position + n);
    std::memcpy(bytes.data() + position, buffer, n);
    position += n;
    if (numBytesWritten) *numBytesWritten = static_cast<int32>(n);
    return kResultOk;
}

tresult VST3_API CMemoryStream::seek(int64 pos, int32 mode, int64* result)
{
    const int64 base = mode == kSeekSet   ? 0
                       : mode == kSeekCur ? static_cast<int64>(position)
                                          : static_cast<int64>(bytes.size());
    const int64 to = base + pos;
    if (to < 0 || to > static_cast<int64>(bytes.size())) return kInvalidArgument;
    position = static_cast<size_t>(to);
    if (result) *result = to;
    return kResultOk;
}

tresult VST3_API CMemoryStream::tell(int64* pos)
{
    if (!pos) return kInvalidArgument;
    *pos = static_cast<int64>(position);
    return kResultOk;
}

// --- Parameter changes -------------------------------------------------------------------------

tresult VST3_API CValueQueue::getPoint(int32 index, int32* offset, ParamValue* value)
{
    if (index < 0 || index >= getPointCount() || !offset || !value) return kInvalidArgument;
    *offset = points[static_cast<size_t>(index)].first;
    *value = points[static_cast<size_t>(index)].second;
    return kResultOk;
}

tresult VST3_API CValueQueue::addPoint(int32 offset, ParamValue value, int32* index)
{
    points.emplace_back(offset, value);
    if (index) *index = getPointCount() - 1;
    return kResultOk;
}

IParamValueQueue* VST3_API CParameterChanges::getParameterData(int32 index)
{
    return index >= 0 && index < getParameterCount() ? queues[static_cast<size_t>(index)].get()
                                                     : nullptr;
}

IParamValueQueue* VST3_API CParameterChanges::addParameterData(const ParamID* id, int32* index)
{
    if (!id) return nullptr;
    for (size_t i = 0; i < queues.size(); ++i)
        if (queues[i]->id == *id)
        {
            if (index) *index = static_cast<int32>(i);
            return queues[i].get();
        }
    queues.push_back(std::make_unique<CValueQueue>());
    queues.back()->id = *id;
    if (index) *index = getParameterCount() - 1;
    return queues.back().get();
}

void CParameterChanges::add(ParamID id, ParamValue value, int32 offset)
{
    addParameterData(&id, nullptr)->addPoint(offset, value, nullptr);
}

// --- Handler, application, frame ---------------------------------------------------------------

tresult VST3_API CRecordingHandler::beginEdit(ParamID id)
{
    calls.push_back("begin " + std::to_string(id));
    return kResultOk;
}

tresult VST3_API CRecordingHandler::performEdit(ParamID id, ParamValue value)
{
    calls.push_back("perform " + std::to_string(id) + " " + std::to_string(value));
    return kResultOk;
}

tresult VST3_API CRecordingHandler::endEdit(ParamID id)
{
    calls.push_back("end " + std::to_string(id));
    return kResultOk;
}

tresult VST3_API CRecordingHandler::restartComponent(int32 flags)
{
    calls.push_back("restart " + std::to_string(flags));
    return kResultOk;
}

tresult VST3_API CHostApplication::getName(char16* name)
{
    if (!name) return kInvalidArgument;
    const char* text = "QUAR2 test host";
    size_t i = 0;
    for (; text[i]; ++i)
        name[i] = static_cast<char16>(text[i]);
    name[i] = 0;
    return kResultOk;
}

tresult VST3_API CHostApplication::createInstance(char*, char*, void** obj)
{
    if (obj) *obj = nullptr;
    return kNotImplemented;
}

tresult VST3_API CEditorFrame::queryInterface(const char* id, void** obj)
{
    if (!obj) return kInvalidArgument;
    *obj = nullptr;
    if (SameUid(id, FUnknown::iid) || SameUid(id, IPlugFrame::iid))
        *obj = static_cast<IPlugFrame*>(this);
    else if (SameUid(id, IRunLoop::iid))
        *obj = static_cast<IRunLoop*>(this);
    else
        return kNoInterface;
    addRef();
    return kResultOk;
}

tresult VST3_API CEditorFrame::resizeView(IPlugView*, ViewRect*)
{
    return kResultFalse;
}

tresult VST3_API CEditorFrame::registerEventHandler(IEventHandler* handler, int fd)
{
    if (!handler) return kInvalidArgument;
    handlers.emplace_back(handler, fd);
    return kResultOk;
}

tresult VST3_API CEditorFrame::unregisterEventHandler(IEventHandler* handler)
{
    const size_t before = handlers.size();
    std::erase_if(handlers, [handler](const auto& h) { return h.first == handler; });
    return handlers.size() < before ? kResultOk : kInvalidArgument;
}

tresult VST3_API CEditorFrame::registerTimer(ITimerHandler* handler, uint64)
{
    if (!handler) return kInvalidArgument;
    timers.push_back(handler);
    return kResultOk;
}

tresult VST3_API CEditorFrame::unregisterTimer(ITimerHandler* handler)
{
    const size_t before = timers.size();
    std::erase(timers, handler);
    return timers.size() < before ? kResultOk : kInvalidArgument;
}

void CEditorFrame::step()
{
    for (ITimerHandler* t : std::vector<ITimerHandler*>(timers))
        t->onTimer();
#ifndef _WIN32
    for (auto [handler, fd] : std::vector<std::pair<IEventHandler*, int>>(handlers))
    {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 0) > 0) handler->onFDIsSet(fd);
    }
#endif
}

// --- Module
// ----------------------------------------------------------------------------------------

std::string CVst3Module::binaryPath(const std::string& bundle)
{
#ifdef _WIN32
    return bundle + "/Contents/x86_64-win/QUAR2.vst3";
#else
    return bundle + "/Contents/x86_64-linux/QUAR2.so";
#endif
}

bool CVst3Module::open(const std::string& bundle, std::string& error)
{
    if (!library.open(binaryPath(bundle)))
    {
        error = library.error();
        return false;
    }
    // The entries are looked up by name like any export; their types are the module's.
#ifdef _WIN32
    auto enter = Export<bool (*)()>(library, "InitDll");
    if (enter && !enter())
#else
    auto enter = Export<bool (*)(void*)>(library, "ModuleEntry");
    if (!enter || !enter(nullptr))
#endif
    {
        error = "the module entry failed or is missing";
        return false;
    }
    auto get = Export<IPluginFactory* (*)()>(library, "GetPluginFactory");
    pluginFactory = get ? get() : nullptr;
    if (!pluginFactory) error = "no factory";
    return pluginFactory != nullptr;
}

void CVst3Module::close()
{
    if (pluginFactory) pluginFactory->release();
    pluginFactory = nullptr;
    if (!library.isOpen()) return;
#ifdef _WIN32
    if (auto leave = Export<bool (*)()>(library, "ExitDll")) leave();
#else
    if (auto leave = Export<bool (*)()>(library, "ModuleExit")) leave();
#endif
    library.close();
}

// --- Instance
// --------------------------------------------------------------------------------------

CVst3Instance::CVst3Instance(IPluginFactory& factory, CHostApplication& host)
{
    PClassInfo info{};
    for (int32 i = 0; i < factory.countClasses(); ++i)
        if (factory.getClassInfo(i, &info) == kResultOk &&
            std::strcmp(info.category, "Audio Module Class") == 0)
            break;
    void* obj = nullptr;
    if (factory.createInstance(info.cid, IComponent::iid.bytes, &obj) != kResultOk) return;
    component = static_cast<IComponent*>(obj);
    if (component->initialize(&host) != kResultOk) return;
    if (component->queryInterface(IAudioProcessor::iid.bytes, &obj) == kResultOk)
        processor = static_cast<IAudioProcessor*>(obj);
    if (component->queryInterface(IEditController::iid.bytes, &obj) == kResultOk)
    {
        controller = static_cast<IEditController*>(obj);
        singleComponent = true;
    }
    else
    {
        char cid[16] = {};
        if (component->getControllerClassId(cid) == kResultOk &&
            factory.createInstance(cid, IEditController::iid.bytes, &obj) == kResultOk)
        {
            controller = static_cast<IEditController*>(obj);
            controller->initialize(&host);
        }
    }
    if (!controller) return;
    if (component->queryInterface(IConnectionPoint::iid.bytes, &obj) == kResultOk)
        componentPoint = static_cast<IConnectionPoint*>(obj);
    if (controller->queryInterface(IConnectionPoint::iid.bytes, &obj) == kResultOk)
        controllerPoint = static_cast<IConnectionPoint*>(obj);
    if (componentPoint && controllerPoint)
    {
        componentPoint->connect(controllerPoint);
        controllerPoint->connect(componentPoint);
    }
}

CVst3Instance::~CVst3Instance()
{
    stop();
    if (componentPoint && controllerPoint)
    {
        componentPoint->disconnect(controllerPoint);
        controllerPoint->disconnect(componentPoint);
    }
    if (controllerPoint) controllerPoint->release();
    if (componentPoint) componentPoint->release();
    if (controller)
    {
        if (!singleComponent) controller->terminate();
        controller->release();
    }
    if (processor) processor->release();
    if (component)
    {
        component->terminate();
        component->release();
    }
}

bool CVst3Instance::start(double rate, int32 maxBlock, int32 sampleSize)
{
    if (!ok()) return false;
    SpeakerArrangement in = kStereo, out = kStereo;
    ProcessSetup setup{kRealtime, sampleSize, maxBlock, rate};
    if (processor->setBusArrangements(&in, 1, &out, 1) != kResultTrue) return false;
    if (processor->canProcessSampleSize(sampleSize) != kResultTrue) return false;
    if (processor->setupProcessing(&setup) != kResultOk) return false;
    component->activateBus(kAudio, kInput, 0, 1);
    component->activateBus(kAudio, kOutput, 0, 1);
    if (component->setActive(1) != kResultOk) return false;
    active = true;
    return processor->setProcessing(1) == kResultOk;
}

void CVst3Instance::stop()
{
    if (!active) return;
    processor->setProcessing(0);
    component->setActive(0);
    active = false;
}

template <typename T>
tresult CVst3Instance::run(T* const* in, T* const* out, int32 frames, int32 size,
                           CParameterChanges* changes, ProcessContext* context)
{
    AudioBusBuffers inputs{}, outputs{};
    inputs.numChannels = outputs.numChannels = 2;
    T* inChannels[2] = {in[0], in[1]};
    T* outChannels[2] = {out[0], out[1]};
    if constexpr (sizeof(T) == 8)
    {
        inputs.channelBuffers64 = inChannels;
        outputs.channelBuffers64 = outChannels;
    }
    else
    {
        inputs.channelBuffers32 = inChannels;
        outputs.channelBuffers32 = outChannels;
    }
    ProcessData data{};
    data.processMode = kRealtime;
    data.symbolicSampleSize = size;
    data.numSamples = frames;
    data.numInputs = data.numOutputs = 1;
    data.inputs = &inputs;
    data.outputs = &outputs;
    data.inputParameterChanges = changes;
    data.processContext = context;
    return processor->process(&data);
}

tresult CVst3Instance::process(float* const* in, float* const* out, int32 frames,
                               CParameterChanges* changes, ProcessContext* context)
{
    return run(in, out, frames, kSample32, changes, context);
}

tresult CVst3Instance::process(double* const* in, double* const* out, int32 frames,
                               CParameterChanges* changes, ProcessContext* context)
{
    return run(in, out, frames, kSample64, changes, context);
}
