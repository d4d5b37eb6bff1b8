#include "clap/OstraClap.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "clap/OstraClapTables.h"

namespace
{

// Scratch layout per sample size: two channels of zeros (missing inputs), two of sink (missing
// outputs), two for the input converted to the output's sample size.
constexpr size_t kZeros = 0;
constexpr size_t kSink = 2;
constexpr size_t kConverted = 4;
constexpr size_t kScratchChannels = 6;

} // namespace

COstraClap::COstraClap(const clap_host* h, const clap_plugin_descriptor* descriptor) : host(h)
{
    plugin.desc = descriptor;
    plugin.plugin_data = this;
    FillClapPluginTable(plugin);
}

COstraClap::~COstraClap() = default;

COstraClap* COstraClap::from(const clap_plugin* p)
{
    if (!p || !p->plugin_data) return nullptr;
    auto* instance = static_cast<COstraClap*>(p->plugin_data);
    return &instance->plugin == p ? instance : nullptr;
}

// --- Life cycle --------------------------------------------------------------------------------

bool COstraClap::init()
{
    threadRules.attach(host);
    if (bridge)
    {
        threadRules.misbehaviour("init", "called twice");
        return true;
    }
    if (host && host->get_extension)
    {
        auto get = [this](const char* id) { return host->get_extension(host, id); };
        hostParams = static_cast<const clap_host_params*>(get(CLAP_EXT_PARAMS));
        hostLatency = static_cast<const clap_host_latency*>(get(CLAP_EXT_LATENCY));
        hostTimers = static_cast<const clap_host_timer_support*>(get(CLAP_EXT_TIMER_SUPPORT));
        hostFds = static_cast<const clap_host_posix_fd_support*>(get(CLAP_EXT_POSIX_FD_SUPPORT));
    }
    bridge = std::make_unique<COstraBridge>(*this);
    if (!bridge->valid())
    {
        bridge.reset();
        threadRules.log(CLAP_LOG_ERROR, "QUAR2: the plug-in object could not be made");
        return false;
    }
    return true;
}

void COstraClap::destroy()
{
    threadRules.onMain("destroy");
    if (isActive.load()) threadRules.misbehaviour("destroy", "called while active");
    if (guiCreated) guiDestroy();
    bridge.reset(); // closes the editor and suspends if the host skipped those steps
}

bool COstraClap::activate(double sampleRate, uint32_t minFrames, uint32_t maxFrames)
{
    threadRules.onMain("activate");
    if (!bridge) return false;
    if (isActive.load())
    {
        threadRules.misbehaviour("activate", "called while active");
        return false;
    }
    if (!(sampleRate > 0.0) || !std::isfinite(sampleRate) || maxFrames < 1 || minFrames > maxFrames)
    {
        threadRules.misbehaviour("activate", "no usable sample rate or block sizes");
        return false;
    }
    const uint32_t chunk = std::min<uint32_t>(maxFrames, kMaxChunk);
    try
    {
        scratch32.assign(kScratchChannels * chunk, 0.0f);
        scratch64.assign(kScratchChannels * chunk, 0.0);
    }
    catch (const std::bad_alloc&)
    {
        return false;
    }
    chunkFrames = chunk;
    rate = sampleRate;
    if (!bridge->setSampleRate(sampleRate) || !bridge->setBlockSize(int32_t(chunk))) return false;
    isActivating = true;
    bridge->resume();
    isActivating = false;
    // The one moment the interface lets a plug-in announce a new latency.
    const int32_t frames = bridge->latency();
    if (reportedLatency >= 0 && frames != reportedLatency && hostLatency && hostLatency->changed)
        hostLatency->changed(host);
    reportedLatency = frames;
    restartRequested = false;
    warnedNotProcessing = false;
    isActive = true;
    return true;
}

void COstraClap::deactivate()
{
    threadRules.onMain("deactivate");
    if (!isActive.load())
    {
        threadRules.misbehaviour("deactivate", "called while inactive");
        return;
    }
    if (isProcessing.load())
    {
        threadRules.misbehaviour("deactivate", "called while processing");
        isProcessing = false;
    }
    bridge->suspend();
    isActive = false;
}

bool COstraClap::startProcessing()
{
    threadRules.onAudio("start_processing");
    if (!isActive.load())
    {
        threadRules.misbehaviour("start_processing", "called while inactive");
        return false;
    }
    if (isProcessing.exchange(true)) threadRules.misbehaviour("start_processing", "called twice");
    return true;
}

void COstraClap::stopProcessing()
{
    threadRules.onAudio("stop_processing");
    if (!isProcessing.exchange(false))
        threadRules.misbehaviour("stop_processing", "called while not processing");
}

void COstraClap::reset()
{
    threadRules.onAudio("reset");
    if (!isActive.load())
    {
        threadRules.misbehaviour("reset", "called while inactive");
        return;
    }
    // Suspend and resume: the init hook clears the delay line, filters and followers and the
    // slider hook brings the parameters' coefficients back, as after a fresh activation.
    bridge->suspend();
    bridge->resume();
}

const void* COstraClap::extension(const char* id) const
{
    return ClapExtension(id);
}

void COstraClap::onMainThread()
{
    threadRules.onMain("on_main_thread");
    if (rescanRequested.exchange(false) && hostParams && hostParams->rescan)
        hostParams->rescan(host, CLAP_PARAM_RESCAN_VALUES | CLAP_PARAM_RESCAN_TEXT);
}

// --- Audio -------------------------------------------------------------------------------------

void COstraClap::setTime(const clap_event_transport* t, uint32_t offset)
{
    if (!t)
    {
        bridge->setTime(nullptr);
        return;
    }
    TOstraTime time;
    const double seconds = double(t->song_pos_seconds) / CLAP_TIME_FACTOR;
    time.samplePosition = (t->flags & CLAP_TRANSPORT_HAS_SECONDS_TIMELINE) ? seconds * rate : 0.0;
    time.samplePosition += offset;
    time.playing = (t->flags & CLAP_TRANSPORT_IS_PLAYING) != 0;
    time.recording = (t->flags & CLAP_TRANSPORT_IS_RECORDING) != 0;
    time.tempoValid = (t->flags & CLAP_TRANSPORT_HAS_TEMPO) != 0 && t->tempo > 0.0;
    time.tempo = time.tempoValid ? t->tempo : 0.0;
    time.musicValid = (t->flags & CLAP_TRANSPORT_HAS_BEATS_TIMELINE) != 0;
    time.ppqPosition = double(t->song_pos_beats) / CLAP_TIME_FACTOR;
    if (time.musicValid && time.tempoValid) time.ppqPosition += offset * time.tempo / (60.0 * rate);
    time.barValid = time.musicValid;
    time.barStart = double(t->bar_start) / CLAP_TIME_FACTOR;
    time.timeSignatureValid = (t->flags & CLAP_TRANSPORT_HAS_TIME_SIGNATURE) != 0;
    time.timeSigNumerator = t->tsig_num;
    time.timeSigDenominator = t->tsig_denom;
    bridge->setTime(&time);
}

void COstraClap::applyEvent(const clap_event_header& e)
{
    if (e.space_id != CLAP_CORE_EVENT_SPACE_ID) return;
    if (e.type == CLAP_EVENT_PARAM_VALUE && e.size >= sizeof(clap_event_param_value))
    {
        const auto& v = reinterpret_cast<const clap_event_param_value&>(e);
        if (v.param_id >= paramCount() || !std::isfinite(v.value)) return;
        const auto index = int32_t(v.param_id);
        bridge->setParameter(index, bridge->normalizedValue(index, v.value));
    }
}

void COstraClap::sendEdits(const clap_output_events* out)
{
    if (!out || !out->try_push) return;
    TClapEdit edit;
    while (edits.peek(edit))
    {
        bool sent = false;
        if (edit.type == CLAP_EVENT_PARAM_VALUE)
        {
            clap_event_param_value e{};
            e.header = {sizeof e, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
            e.param_id = edit.paramId;
            e.note_id = -1;
            e.port_index = e.channel = e.key = -1;
            e.value = edit.value;
            sent = out->try_push(out, &e.header);
        }
        else
        {
            clap_event_param_gesture e{};
            e.header = {sizeof e, 0, CLAP_CORE_EVENT_SPACE_ID, edit.type, 0};
            e.param_id = edit.paramId;
            sent = out->try_push(out, &e.header);
        }
        if (!sent) return; // kept for the next block
        edits.pop();
    }
}

template <typename T>
void COstraClap::processStretch(const clap_process& p, uint32_t offset, uint32_t frames)
{
    constexpr bool wide = sizeof(T) == sizeof(double);
    T* scratch = nullptr;
    if constexpr (wide)
        scratch = scratch64.data();
    else
        scratch = scratch32.data();
    auto channel = [&](size_t index) { return scratch + index * chunkFrames; };

    const clap_audio_buffer& out = p.audio_outputs[0];
    T* const* outData = nullptr;
    if constexpr (wide)
        outData = out.data64;
    else
        outData = out.data32;
    T* outputs[2];
    T* inputs[2];
    for (uint32_t c = 0; c < 2; ++c)
        outputs[c] = (outData && c < out.channel_count && outData[c]) ? outData[c] + offset
                                                                      : channel(kSink + c);

    const clap_audio_buffer* in =
        (p.audio_inputs_count > 0 && p.audio_inputs) ? &p.audio_inputs[0] : nullptr;
    for (uint32_t c = 0; c < 2; ++c)
    {
        inputs[c] = channel(kZeros + c);
        if (!in || c >= in->channel_count) continue;
        const float* in32 = in->data32 ? in->data32[c] : nullptr;
        const double* in64 = in->data64 ? in->data64[c] : nullptr;
        T* converted = channel(kConverted + c);
        if constexpr (wide)
        {
            if (in64)
                inputs[c] = const_cast<double*>(in64) + offset;
            else if (in32) // the host mixed sample sizes: the input in ours, in scratch
            {
                for (uint32_t i = 0; i < frames; ++i)
                    converted[i] = in32[offset + i];
                inputs[c] = converted;
            }
        }
        else
        {
            if (in32)
                inputs[c] = const_cast<float*>(in32) + offset;
            else if (in64)
            {
                for (uint32_t i = 0; i < frames; ++i)
                    converted[i] = float(in64[offset + i]);
                inputs[c] = converted;
            }
        }
    }
    bridge->process(inputs, outputs, int32_t(frames));
}

clap_process_status COstraClap::process(const clap_process& p)
{
    threadRules.onAudio("process");
    if (!isActive.load(std::memory_order_relaxed) || !bridge)
    {
        threadRules.misbehaviour("process", "called while inactive");
        return CLAP_PROCESS_ERROR;
    }
    if (!isProcessing.load(std::memory_order_relaxed) && !warnedNotProcessing)
    {
        warnedNotProcessing = true; // once per activation, not for every block
        threadRules.misbehaviour("process", "called before start_processing");
    }

    const clap_input_events* in = p.in_events;
    const uint32_t eventCount = (in && in->size && in->get) ? in->size(in) : 0;
    clap_audio_buffer* out =
        (p.audio_outputs_count > 0 && p.audio_outputs) ? &p.audio_outputs[0] : nullptr;
    const bool wide = out && !out->data32 && out->data64;
    const bool audio = out && (out->data32 || out->data64);
    const uint32_t frames = p.frames_count;

    uint32_t done = 0;
    uint32_t next = 0; // next event to apply
    setTime(p.transport, 0);
    while (done < frames)
    {
        // Everything due at or before this sample, then audio up to the next event's sample.
        uint32_t end = frames;
        for (; next < eventCount; ++next)
        {
            const clap_event_header* e = in->get(in, next);
            if (!e) continue;
            if (e->time > done)
            {
                end = std::min(end, e->time);
                break;
            }
            applyEvent(*e);
        }
        end = std::min(end, done + chunkFrames);
        if (audio)
        {
            if (done > 0) setTime(p.transport, done);
            if (wide)
                processStretch<double>(p, done, end - done);
            else
                processStretch<float>(p, done, end - done);
        }
        done = end;
    }
    // Events stamped at or past the block's end (or in a block of no frames) still count.
    for (; next < eventCount; ++next)
        if (const clap_event_header* e = in->get(in, next)) applyEvent(*e);
    if (out) out->constant_mask = 0;
    sendEdits(p.out_events);
    return CLAP_PROCESS_CONTINUE;
}
