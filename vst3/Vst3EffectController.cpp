// CVst3Effect as the edit controller: parameters, display texts, the controller state (the
// bypass), the editor view, and what the plug-in reports to the host.

#include "vst3/Vst3Effect.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "vst3/Vst3Ids.h"
#include "vst3/Vst3Stream.h"
#include "vst3/Vst3Text.h"
#include "vst3/Vst3View.h"

using namespace vst3;

namespace
{
// The controller's own state, beside the processor's chunk: the bypass, which hosts keep with
// the project but which is no part of the VST 2.4 chunk. A tag with its version, then 0 or 1.
constexpr unsigned char kControllerTag[4] = {'Q', '2', 'B', '1'};
} // namespace

// --- IEditController -----------------------------------------------------------------------------

tresult VST3_API CVst3Effect::setComponentState(IBStream* state)
{
    // The controller's values are the processor's own (one object): setState has loaded them.
    return state ? kResultOk : kInvalidArgument;
}

tresult CVst3Effect::setControllerState(IBStream* state)
{
    if (!state) return kInvalidArgument;
    unsigned char bytes[sizeof kControllerTag + 1] = {};
    const int32 got = vst3stream::ReadUpTo(*state, bytes, sizeof bytes);
    if (got == 0) return kResultOk; // an empty state (older projects): the bypass stays
    if (got != static_cast<int32>(sizeof bytes) ||
        std::memcmp(bytes, kControllerTag, sizeof kControllerTag) != 0 ||
        bytes[sizeof kControllerTag] > 1)
        return kResultFalse;
    const bool on = bytes[sizeof kControllerTag] == 1;
    bypassValue = on ? 1.0 : 0.0;
    bypass.setBypassed(on);
    return kResultOk;
}

tresult CVst3Effect::getControllerState(IBStream* state)
{
    if (!state) return kInvalidArgument;
    unsigned char bytes[sizeof kControllerTag + 1] = {};
    std::memcpy(bytes, kControllerTag, sizeof kControllerTag);
    bytes[sizeof kControllerTag] = bypassValue.load() >= 0.5 ? 1 : 0;
    return vst3stream::WriteAll(*state, bytes, sizeof bytes) ? kResultOk : kResultFalse;
}

bool CVst3Effect::isLevellerParameter(ParamID id) const
{
    return plugin && id < static_cast<ParamID>(plugin->parameterCount());
}

int32 VST3_API CVst3Effect::getParameterCount()
{
    return plugin ? plugin->parameterCount() + 1 : 0;
}

tresult VST3_API CVst3Effect::getParameterInfo(int32 paramIndex, ParameterInfo* info)
{
    if (!info || !plugin || paramIndex < 0 || paramIndex >= getParameterCount())
        return kInvalidArgument;
    std::memset(info, 0, sizeof(*info));
    deliverRestarts();
    if (paramIndex == plugin->parameterCount())
    {
        info->id = quar2vst3::kBypassId;
        vst3text::ToUtf16("Bypass", info->title, 128);
        vst3text::ToUtf16("Bypass", info->shortTitle, 128);
        info->stepCount = 1;
        info->defaultNormalizedValue = 0.0;
        info->flags = kCanAutomate | kIsBypass | kIsList;
        return kResultOk;
    }
    TOstraParameterInfo p;
    if (!plugin->parameterInfo(paramIndex, p)) return kInvalidArgument;
    info->id = static_cast<ParamID>(paramIndex);
    vst3text::ToUtf16(p.title, info->title, 128);
    vst3text::ToUtf16(p.title, info->shortTitle, 128);
    vst3text::ToUtf16(p.unit, info->units, 128);
    info->stepCount = std::max(p.stepCount, 0);
    info->defaultNormalizedValue = std::clamp(p.defaultNormalized, 0.0, 1.0);
    info->unitId = 0;
    info->flags = kCanAutomate | (p.isList ? kIsList : 0);
    return kResultOk;
}

tresult VST3_API CVst3Effect::getParamStringByValue(ParamID id, ParamValue value, char16* string)
{
    if (!string || !std::isfinite(value)) return kInvalidArgument;
    value = std::clamp(value, 0.0, 1.0);
    if (id == quar2vst3::kBypassId)
    {
        vst3text::ToUtf16(value >= 0.5 ? "On" : "Off", string, 128);
        return kResultOk;
    }
    char text[COstraBridge::kTextBytes] = {};
    if (!isLevellerParameter(id) ||
        !plugin->displayText(static_cast<int32>(id), value, text, sizeof(text)))
        return kInvalidArgument;
    vst3text::ToUtf16(text, string, 128);
    return kResultOk;
}

tresult VST3_API CVst3Effect::getParamValueByString(ParamID id, char16* string, ParamValue* value)
{
    if (!string || !value) return kInvalidArgument;
    char text[4 * 128] = {};
    vst3text::ToUtf8(string, 128, text, sizeof(text));
    if (id == quar2vst3::kBypassId)
    {
        const bool on = std::strcmp(text, "On") == 0 || std::strcmp(text, "on") == 0 ||
                        std::strcmp(text, "1") == 0;
        const bool off = std::strcmp(text, "Off") == 0 || std::strcmp(text, "off") == 0 ||
                         std::strcmp(text, "0") == 0;
        if (!on && !off) return kResultFalse;
        *value = on ? 1.0 : 0.0;
        return kResultOk;
    }
    if (!isLevellerParameter(id)) return kInvalidArgument;
    double normalized = 0.0;
    if (!plugin->parseText(static_cast<int32>(id), text, normalized)) return kResultFalse;
    *value = normalized;
    return kResultOk;
}

ParamValue VST3_API CVst3Effect::normalizedParamToPlain(ParamID id, ParamValue value)
{
    if (!std::isfinite(value)) return 0.0;
    if (isLevellerParameter(id)) return plugin->plainValue(static_cast<int32>(id), value);
    return std::clamp(value, 0.0, 1.0);
}

ParamValue VST3_API CVst3Effect::plainParamToNormalized(ParamID id, ParamValue plain)
{
    if (!std::isfinite(plain)) return 0.0;
    if (isLevellerParameter(id)) return plugin->normalizedValue(static_cast<int32>(id), plain);
    return std::clamp(plain, 0.0, 1.0);
}

ParamValue VST3_API CVst3Effect::getParamNormalized(ParamID id)
{
    if (id == quar2vst3::kBypassId) return bypassValue.load();
    return isLevellerParameter(id) ? plugin->getParameter(static_cast<int32>(id)) : 0.0;
}

tresult VST3_API CVst3Effect::setParamNormalized(ParamID id, ParamValue value)
{
    if (!std::isfinite(value)) return kInvalidArgument;
    value = std::clamp(value, 0.0, 1.0);
    // One object holds the values for processor and controller: the host's value for the
    // display is the value in force (the same one reaches process() as a change).
    if (id == quar2vst3::kBypassId)
    {
        bypassValue = value;
        return kResultOk;
    }
    if (!isLevellerParameter(id)) return kInvalidArgument;
    plugin->setParameter(static_cast<int32>(id), value);
    return kResultOk;
}

tresult VST3_API CVst3Effect::setComponentHandler(IComponentHandler* newHandler)
{
    if (newHandler == handler) return kResultOk;
    if (newHandler) newHandler->addRef();
    if (handler) handler->release();
    handler = newHandler;
    deliverRestarts();
    return kResultOk;
}

IPlugView* VST3_API CVst3Effect::createView(FIDString name)
{
    if (!name || std::strcmp(name, "editor") != 0 || !plugin || !plugin->hasEditor())
        return nullptr;
    return new (std::nothrow) CVst3View(*this, hostContext);
}

// --- IConnectionPoint --------------------------------------------------------------------------

tresult VST3_API CVst3Effect::connect(IConnectionPoint* other)
{
    // Processor and controller are one object; nothing passes between them.
    return other ? kResultOk : kInvalidArgument;
}

tresult VST3_API CVst3Effect::disconnect(IConnectionPoint* other)
{
    return other ? kResultOk : kInvalidArgument;
}

tresult VST3_API CVst3Effect::notify(IMessage* message)
{
    return message ? kResultFalse : kInvalidArgument;
}

// --- COstraHostServices ------------------------------------------------------------------------

void CVst3Effect::beginEdit(int32_t index)
{
    if (handler) handler->beginEdit(static_cast<ParamID>(index));
}

void CVst3Effect::performEdit(int32_t index, double normalized)
{
    if (handler) handler->performEdit(static_cast<ParamID>(index), normalized);
}

void CVst3Effect::endEdit(int32_t index)
{
    if (handler) handler->endEdit(static_cast<ParamID>(index));
}

void CVst3Effect::latencyChanged(int32_t frames)
{
    // Any thread: the host is told on the UI thread (restartComponent), then asks again.
    if (frames >= 0 && static_cast<uint32>(frames) != latencyInForce)
        pendingRestart.fetch_or(kLatencyChanged);
}

void CVst3Effect::displayChanged()
{
    pendingRestart.fetch_or(kParamValuesChanged);
}

void CVst3Effect::deliverRestarts()
{
    if (!handler || pendingRestart.load() == 0) return;
    const int32 flags = pendingRestart.exchange(0);
    if (flags != 0) handler->restartComponent(flags);
}
