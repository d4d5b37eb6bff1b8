// COstraClap's host-facing tables of values: the parameters (facts, values, texts, flush), the
// plug-in's requests to the host (gestures, latency, display), the state, the audio ports and the
// latency. The life cycle and the audio are in OstraClap.cpp.

#include "clap/OstraClap.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

namespace
{

// The largest state a host may hand back: the chunk is 260 bytes; anything far larger is not
// ours and is refused before it is read into memory.
constexpr size_t kMaxStateBytes = 1 << 16;

void CopyText(char* to, size_t capacity, const char* from)
{
    if (!to || capacity == 0) return;
    std::snprintf(to, capacity, "%s", from ? from : "");
}

} // namespace

// --- Parameters --------------------------------------------------------------------------------

uint32_t COstraClap::hostParamCount() const
{
    threadRules.onMain("params.count");
    return paramCount();
}

uint32_t COstraClap::paramCount() const
{
    return bridge ? uint32_t(std::max(bridge->parameterCount(), 0)) : 0;
}

bool COstraClap::paramInfo(uint32_t index, clap_param_info* info) const
{
    threadRules.onMain("params.get_info");
    TOstraParameterInfo facts;
    if (!info || index >= paramCount() || !bridge->parameterInfo(int32_t(index), facts))
        return false;
    std::memset(info, 0, sizeof *info);
    info->id = index; // the VST 2.4 index: stable as the parameter order is
    info->flags = CLAP_PARAM_IS_AUTOMATABLE;
    if (facts.stepCount > 0) info->flags |= CLAP_PARAM_IS_STEPPED;
    if (facts.stepCount > 0 && facts.isList) info->flags |= CLAP_PARAM_IS_ENUM;
    info->cookie = nullptr;
    CopyText(info->name, sizeof info->name, facts.title);
    info->min_value = facts.minimum;
    info->max_value = facts.maximum;
    info->default_value = std::clamp(facts.defaultValue, facts.minimum, facts.maximum);
    return true;
}

bool COstraClap::paramValue(clap_id id, double* value) const
{
    threadRules.onMain("params.get_value");
    if (!value || id >= paramCount()) return false;
    const auto index = int32_t(id);
    *value = bridge->plainValue(index, bridge->getParameter(index));
    return true;
}

bool COstraClap::valueToText(clap_id id, double value, char* text, uint32_t capacity) const
{
    threadRules.onMain("params.value_to_text");
    if (!text || capacity == 0) return false;
    text[0] = '\0';
    TOstraParameterInfo facts;
    if (id >= paramCount() || !std::isfinite(value) || !bridge->parameterInfo(int32_t(id), facts))
        return false;
    const auto index = int32_t(id);
    char display[COstraBridge::kTextBytes];
    if (!bridge->displayText(index, bridge->normalizedValue(index, value), display, sizeof display))
        return false;
    // The VST 2.4 display text, with the unit the VST 2.4 host shows beside it when the text
    // is a number (not a name such as the Brake's "Off").
    const char c = display[0];
    const bool number = (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.';
    if (facts.unit && facts.unit[0] && !facts.isList && number)
        std::snprintf(text, capacity, "%s %s", display, facts.unit);
    else
        std::snprintf(text, capacity, "%s", display);
    return true;
}

bool COstraClap::textToValue(clap_id id, const char* text, double* value) const
{
    threadRules.onMain("params.text_to_value");
    if (!text || !value || id >= paramCount()) return false;
    double normalized = 0.0;
    if (!bridge->parseText(int32_t(id), text, normalized)) return false;
    *value = bridge->plainValue(int32_t(id), normalized);
    return true;
}

void COstraClap::flush(const clap_input_events* in, const clap_output_events* out)
{
    threadRules.onFlushThread("params.flush", isActive.load());
    if (!bridge) return;
    const uint32_t count = (in && in->size && in->get) ? in->size(in) : 0;
    for (uint32_t i = 0; i < count; ++i)
        if (const clap_event_header* e = in->get(in, i)) applyEvent(*e);
    sendEdits(out);
}

void COstraClap::queueEdit(uint16_t type, int32_t index, double value)
{
    if (index < 0 || uint32_t(index) >= paramCount()) return;
    edits.push({type, uint32_t(index), value});
}

void COstraClap::beginEdit(int32_t index)
{
    queueEdit(CLAP_EVENT_PARAM_GESTURE_BEGIN, index, 0.0);
}

void COstraClap::performEdit(int32_t index, double normalized)
{
    queueEdit(CLAP_EVENT_PARAM_VALUE, index, bridge ? bridge->plainValue(index, normalized) : 0.0);
    // The host collects the edit with the next process, or with a flush it schedules now.
    if (hostParams && hostParams->request_flush) hostParams->request_flush(host);
}

void COstraClap::endEdit(int32_t index)
{
    queueEdit(CLAP_EVENT_PARAM_GESTURE_END, index, 0.0);
    if (hostParams && hostParams->request_flush) hostParams->request_flush(host);
}

void COstraClap::latencyChanged(int32_t /*frames*/)
{
    // Inside activate the new value is announced there; while active only a restart may
    // change it; while inactive the next activation reports it.
    if (isActivating || !isActive.load()) return;
    if (!restartRequested.exchange(true) && host && host->request_restart)
        host->request_restart(host);
}

void COstraClap::displayChanged()
{
    rescanRequested = true;
    if (host && host->request_callback) host->request_callback(host);
}

// --- State, ports, latency ---------------------------------------------------------------------

bool COstraClap::save(const clap_ostream* stream)
{
    threadRules.onMain("state.save");
    if (!bridge || !stream || !stream->write) return false;
    const void* data = nullptr;
    const int32_t bytes = bridge->saveState(&data);
    if (bytes <= 0 || !data) return false;
    auto* from = static_cast<const uint8_t*>(data);
    int64_t left = bytes;
    while (left > 0)
    {
        const int64_t written = stream->write(stream, from, uint64_t(left));
        if (written <= 0 || written > left) return false;
        from += written;
        left -= written;
    }
    return true;
}

bool COstraClap::load(const clap_istream* stream)
{
    threadRules.onMain("state.load");
    if (!bridge || !stream || !stream->read) return false;
    std::vector<uint8_t> bytes;
    try
    {
        uint8_t block[1024];
        for (;;)
        {
            const int64_t got = stream->read(stream, block, sizeof block);
            if (got == 0) break;
            if (got < 0 || got > int64_t(sizeof block)) return false;
            if (bytes.size() + size_t(got) > kMaxStateBytes) return false;
            bytes.insert(bytes.end(), block, block + got);
        }
    }
    catch (const std::bad_alloc&)
    {
        return false;
    }
    // The bridge refuses data without the chunk's marker (not a QUAR2 state), changing nothing.
    if (!bridge->loadState(bytes.data(), int32_t(bytes.size()))) return false;
    if (hostParams && hostParams->rescan) hostParams->rescan(host, CLAP_PARAM_RESCAN_VALUES);
    return true;
}

uint32_t COstraClap::portCount(bool /*isInput*/) const
{
    threadRules.onMain("audio_ports.count");
    return 1;
}

bool COstraClap::portInfo(uint32_t index, bool isInput, clap_audio_port_info* info) const
{
    threadRules.onMain("audio_ports.get");
    if (!info || index != 0) return false;
    std::memset(info, 0, sizeof *info);
    info->id = 0;
    CopyText(info->name, sizeof info->name, isInput ? "Input" : "Output");
    info->flags = CLAP_AUDIO_PORT_IS_MAIN | CLAP_AUDIO_PORT_SUPPORTS_64BITS;
    info->channel_count = 2;
    info->port_type = CLAP_PORT_STEREO;
    info->in_place_pair = 0; // input and output may share their buffers
    return true;
}

uint32_t COstraClap::latency() const
{
    threadRules.onMain("latency.get");
    return bridge ? uint32_t(std::max(bridge->latency(), 0)) : 0;
}
