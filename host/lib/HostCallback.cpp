#include "host/lib/HostCallback.h"

#include <algorithm>
#include <cstring>

namespace
{
// The host whose plug-in is being made on this thread (see MakingGuard).
thread_local CHostCallback* makingHost = nullptr;

// Copies `text` into a plug-in's buffer of `capacity` bytes, always terminated.
void copyBounded(char* target, const std::string& text, size_t capacity)
{
    const size_t n = std::min(text.size(), capacity - 1);
    std::memcpy(target, text.data(), n);
    target[n] = 0;
}
} // namespace

CHostCallback::CHostCallback() = default;

CHostCallback::MakingGuard::MakingGuard(CHostCallback* host) : previous(makingHost)
{
    makingHost = host;
}

CHostCallback::MakingGuard::~MakingGuard()
{
    makingHost = previous;
}

void CHostCallback::attach(AEffect* effect)
{
    if (effect) effect->resvd1 = reinterpret_cast<VstIntPtr>(this);
}

VstIntPtr CHostCallback::callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                  void* ptr, float opt)
{
    CHostCallback* host = nullptr;
    if (effect && effect->resvd1)
        host = reinterpret_cast<CHostCallback*>(effect->resvd1);
    else
        host = makingHost;
    return host ? host->answer(effect, opcode, index, value, ptr, opt) : 0;
}

void CHostCallback::advance(VstInt32 frames)
{
    if (playing && frames > 0) samplePos += frames;
}

void CHostCallback::rewind()
{
    samplePos = 0.0;
}

double CHostCallback::ppqPosition() const
{
    return sampleRate > 0.0f ? samplePos / sampleRate * tempo / 60.0 : 0.0;
}

std::vector<HostRequest> CHostCallback::requests() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return log;
}

int CHostCallback::count(VstInt32 opcode) const
{
    std::lock_guard<std::mutex> lock(mutex);
    return static_cast<int>(std::count_if(
        log.begin(), log.end(), [&](const HostRequest& r) { return r.opcode == opcode; }));
}

void CHostCallback::clearRequests()
{
    std::lock_guard<std::mutex> lock(mutex);
    log.clear();
}

void CHostCallback::record(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                           void* ptr, float opt)
{
    HostRequest request;
    request.opcode = opcode;
    request.index = index;
    request.value = value;
    request.opt = opt;
    request.withEffect = effect != nullptr;
    request.effect = effect;
    request.ptr = ptr;
    request.thread = std::this_thread::get_id();
    if (opcode == audioMasterAutomate && effect && effect->getParameter)
        request.readBack = effect->getParameter(effect, index);
    // canDo texts are short; a plug-in passing a runaway text gets it cut at 256 bytes.
    if (opcode == audioMasterCanDo && ptr)
        request.text.assign(static_cast<const char*>(ptr),
                            strnlen(static_cast<const char*>(ptr), 256));
    if (opcode == audioMasterProcessEvents && ptr)
    {
        const auto* list = static_cast<const VstEvents*>(ptr);
        request.eventCount = list->numEvents;
        const VstInt32 n = std::clamp<VstInt32>(list->numEvents, 0, HostRequest::kRecordedEvents);
        for (VstInt32 i = 0; i < n; ++i)
        {
            const VstEvent* event = list->events[i];
            if (!event) continue;
            const VstInt32 bytes =
                std::clamp<VstInt32>(event->byteSize, 0, HostRequest::kRecordedEventBytes);
            const auto* first = reinterpret_cast<const unsigned char*>(event);
            request.events.emplace_back(first, first + bytes);
        }
    }
    std::lock_guard<std::mutex> lock(mutex);
    log.push_back(request);
}

VstIntPtr CHostCallback::answer(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                void* ptr, float opt)
{
    if (keepsRequests()) record(effect, opcode, index, value, ptr, opt);

    if (auto it = answerOverrides.find(opcode); it != answerOverrides.end()) return it->second;
    if (!builtInAnswers) return 0;

    switch (opcode)
    {
    case audioMasterVersion:
        return versionAnswer;
    case audioMasterCurrentId:
        return currentId;
    case audioMasterAutomate:
    case audioMasterIdle:
    case audioMasterUpdateDisplay:
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
    case audioMasterIOChanged:
        return 1;
    case audioMasterProcessEvents:
        return processEventsAnswer;
    case audioMasterGetTime:
    {
        if (!timeInfoAvailable) return 0;
        // One record per calling thread: a plug-in asks from its audio thread and, when it
        // re-initialises, from the UI thread, and each reads the record after the call returns.
        thread_local VstTimeInfo timeInfo;
        timeInfo = VstTimeInfo{};
        timeInfo.samplePos = samplePos;
        timeInfo.sampleRate = sampleRate;
        timeInfo.ppqPos = ppqPosition();
        timeInfo.tempo = tempo;
        const double quartersPerBar =
            timeSigDenominator > 0 ? 4.0 * timeSigNumerator / timeSigDenominator : 4.0;
        timeInfo.barStartPos =
            quartersPerBar > 0
                ? quartersPerBar * static_cast<long long>(timeInfo.ppqPos / quartersPerBar)
                : 0.0;
        timeInfo.timeSigNumerator = timeSigNumerator;
        timeInfo.timeSigDenominator = timeSigDenominator;
        timeInfo.flags = kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstTimeSigValid;
        if (playing) timeInfo.flags |= kVstTransportPlaying;
        if (recording) timeInfo.flags |= kVstTransportRecording;
        return reinterpret_cast<VstIntPtr>(&timeInfo);
    }
    case audioMasterSizeWindow:
        sizeWidth = index;
        sizeHeight = static_cast<int>(value);
        return 1;
    case audioMasterGetSampleRate:
        return static_cast<VstIntPtr>(sampleRate);
    case audioMasterGetBlockSize:
        return blockSize;
    case audioMasterGetVendorString:
        if (!ptr) return 0;
        copyBounded(static_cast<char*>(ptr), vendorString, kVstMaxVendorStrLen);
        return 1;
    case audioMasterGetProductString:
        if (!ptr) return 0;
        copyBounded(static_cast<char*>(ptr), productString, kVstMaxProductStrLen);
        return 1;
    case audioMasterGetVendorVersion:
        return vendorVersion;
    case audioMasterGetLanguage:
        return language;
    case audioMasterCanDo:
    {
        if (!ptr) return 0;
        // Compared within the same 256-byte bound as the record keeps.
        const std::string text(static_cast<const char*>(ptr),
                               strnlen(static_cast<const char*>(ptr), 256));
        return std::find(canDoTexts.begin(), canDoTexts.end(), text) != canDoTexts.end() ? 1 : 0;
    }
    default:
        return 0;
    }
}
