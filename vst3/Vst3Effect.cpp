// CVst3Effect as the component: identity, life cycle, buses, activation and the state chunk.
// The audio call is in Vst3EffectProcess.cpp, the controller half in Vst3EffectController.cpp.

#include "vst3/Vst3Effect.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "vst3/Vst3Ids.h"
#include "vst3/Vst3Stream.h"
#include "vst3/Vst3Text.h"

using namespace vst3;

namespace
{
// The most a state stream may hand us: far beyond any chunk the plug-in writes.
constexpr int32 kLargestState = 1 << 20;

// One interface pointer of `object` into `*obj`, with the reference queryInterface owes.
template <typename I> tresult Answer(I* object, void** obj)
{
    object->addRef();
    *obj = object;
    return kResultOk;
}
} // namespace

CVst3Effect::~CVst3Effect()
{
    terminate();
}

// --- FUnknown ------------------------------------------------------------------------------------

tresult VST3_API CVst3Effect::queryInterface(const char* id, void** obj)
{
    if (!obj) return kInvalidArgument;
    *obj = nullptr;
    if (SameUid(id, FUnknown::iid) || SameUid(id, IPluginBase::iid) || SameUid(id, IComponent::iid))
        return Answer(static_cast<IComponent*>(this), obj);
    if (SameUid(id, IAudioProcessor::iid)) return Answer(static_cast<IAudioProcessor*>(this), obj);
    if (SameUid(id, IProcessContextRequirements::iid))
        return Answer(static_cast<IProcessContextRequirements*>(this), obj);
    if (SameUid(id, IEditController::iid)) return Answer(static_cast<IEditController*>(this), obj);
    if (SameUid(id, IConnectionPoint::iid))
        return Answer(static_cast<IConnectionPoint*>(this), obj);
    return kNoInterface;
}

uint32 VST3_API CVst3Effect::addRef()
{
    return ++references;
}

uint32 VST3_API CVst3Effect::release()
{
    const uint32 left = --references;
    if (left == 0) delete this;
    return left;
}

// --- IPluginBase ---------------------------------------------------------------------------------

tresult VST3_API CVst3Effect::initialize(FUnknown* context)
{
    if (plugin) return kResultFalse;
    COstraBridge* made = nullptr;
    try
    {
        made = new COstraBridge(*this);
    }
    catch (...)
    {
        return kOutOfMemory; // nothing may cross the interface
    }
    plugin.reset(made);
    if (!plugin->valid())
    {
        plugin.reset();
        return kOutOfMemory;
    }
    if (context)
    {
        context->addRef();
        hostContext = context;
    }
    latencyInForce = static_cast<uint32>(std::max(plugin->latency(), 0));
    return kResultOk;
}

tresult VST3_API CVst3Effect::terminate()
{
    if (plugin) plugin->closeEditor();
    plugin.reset(); // suspends and closes the instance
    active = false;
    if (handler) handler->release();
    handler = nullptr;
    if (hostContext) hostContext->release();
    hostContext = nullptr;
    pendingRestart = 0;
    return kResultOk;
}

// --- IComponent ----------------------------------------------------------------------------------

tresult VST3_API CVst3Effect::getControllerClassId(char classId[16])
{
    // Processor and controller are this one object: there is no controller class.
    if (classId) std::memset(classId, 0, 16);
    return kNotImplemented;
}

tresult VST3_API CVst3Effect::setIoMode(int32)
{
    return kNotImplemented;
}

int32 VST3_API CVst3Effect::getBusCount(int32 type, int32 dir)
{
    return type == kAudio && (dir == kInput || dir == kOutput) ? 1 : 0;
}

tresult VST3_API CVst3Effect::getBusInfo(int32 type, int32 dir, int32 index, BusInfo* bus)
{
    if (!bus || type != kAudio || (dir != kInput && dir != kOutput) || index != 0)
        return kInvalidArgument;
    std::memset(bus, 0, sizeof(*bus));
    bus->mediaType = kAudio;
    bus->direction = dir;
    bus->channelCount = 2;
    vst3text::ToUtf16(dir == kInput ? "Stereo In" : "Stereo Out", bus->name, 128);
    bus->busType = kMain;
    bus->flags = kBusDefaultActive;
    return kResultOk;
}

tresult VST3_API CVst3Effect::getRoutingInfo(RoutingInfo*, RoutingInfo*)
{
    return kNotImplemented;
}

tresult VST3_API CVst3Effect::activateBus(int32 type, int32 dir, int32 index, TBool state)
{
    // Nothing to switch: an inactive bus comes without buffers, which process() answers.
    (void)state;
    if (type != kAudio || (dir != kInput && dir != kOutput) || index != 0) return kInvalidArgument;
    return kResultOk;
}

tresult VST3_API CVst3Effect::setActive(TBool state)
{
    if (!plugin) return kNotInitialized;
    const bool on = state != 0;
    if (on == active) return kResultOk;
    if (on)
    {
        plugin->setSampleRate(processSetup.sampleRate);
        plugin->setBlockSize(processSetup.maxSamplesPerBlock);
        plugin->resume();
        // The latency the host reads now is the one in force until the next activation.
        latencyInForce = static_cast<uint32>(std::max(plugin->latency(), 0));
        pendingRestart.fetch_and(~kLatencyChanged);
        try
        {
            bypass.prepare(static_cast<int32>(latencyInForce.load()),
                           processSetup.maxSamplesPerBlock, processSetup.sampleRate);
        }
        catch (const std::bad_alloc&)
        {
            plugin->suspend();
            return kOutOfMemory;
        }
    }
    else
    {
        plugin->suspend();
        bypass.reset();
    }
    active = on;
    deliverRestarts();
    return kResultOk;
}

tresult CVst3Effect::loadChunk(IBStream* state)
{
    if (!state) return kInvalidArgument;
    if (!plugin) return kNotInitialized;
    std::vector<unsigned char> bytes;
    try
    {
        // Read forward from where the stream stands until it has no more; a host may hand out
        // fewer bytes per call than asked.
        unsigned char block[4096];
        while (static_cast<int32>(bytes.size()) < kLargestState)
        {
            const int32 got = vst3stream::ReadUpTo(*state, block, sizeof(block));
            bytes.insert(bytes.end(), block, block + got);
            if (got < static_cast<int32>(sizeof(block))) break;
        }
    }
    catch (const std::bad_alloc&)
    {
        return kOutOfMemory;
    }
    // A chunk shorter than the one the plug-in writes is cut off: refused, nothing changes.
    const void* own = nullptr;
    const int32 expected = plugin->saveState(&own);
    if (bytes.empty() || static_cast<int32>(bytes.size()) < expected) return kResultFalse;
    return plugin->loadState(bytes.data(), static_cast<int32>(bytes.size())) ? kResultOk
                                                                             : kResultFalse;
}

tresult CVst3Effect::saveChunk(IBStream* state)
{
    if (!state) return kInvalidArgument;
    if (!plugin) return kNotInitialized;
    const void* data = nullptr;
    const int32 size = plugin->saveState(&data);
    if (size <= 0 || !data) return kResultFalse;
    return vst3stream::WriteAll(*state, data, size) ? kResultOk : kResultFalse;
}
