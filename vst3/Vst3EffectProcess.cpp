// CVst3Effect as the audio processor: bus arrangements, sample sizes, latency, the process call
// with its parameter changes and the bypass, tail and context requirements.

#include "vst3/Vst3Effect.h"

#include <algorithm>
#include <cmath>

#include "vst3/Vst3Ids.h"

using namespace vst3;

namespace
{
// Whether the first input (or output) bus has two channels with buffers of the block's size.
bool StereoBuffers(const ProcessData& data, bool input, int32 size)
{
    const int32 count = input ? data.numInputs : data.numOutputs;
    const AudioBusBuffers* bus = input ? data.inputs : data.outputs;
    if (count < 1 || !bus || bus[0].numChannels < 2) return false;
    if (size == kSample64)
        return bus[0].channelBuffers64 && bus[0].channelBuffers64[0] && bus[0].channelBuffers64[1];
    return bus[0].channelBuffers32 && bus[0].channelBuffers32[0] && bus[0].channelBuffers32[1];
}

// Zeros in every channel of `bus`, flagged as silent: the answer of a block with no input.
template <typename T> void Silence(AudioBusBuffers& bus, T** channels, int32 frames)
{
    for (int32 c = 0; c < bus.numChannels; ++c)
        if (channels[c]) std::fill(channels[c], channels[c] + frames, T(0));
    bus.silenceFlags = bus.numChannels >= 64 ? ~uint64(0) : (uint64(1) << bus.numChannels) - 1;
}

// The host's transport as the plug-in object takes it; a value the host does not vouch for is 0.
TOstraTime TimeOf(const ProcessContext& c)
{
    TOstraTime t;
    t.samplePosition = static_cast<double>(c.projectTimeSamples);
    t.playing = (c.state & kPlaying) != 0;
    t.recording = (c.state & kRecording) != 0;
    t.tempoValid = (c.state & kTempoValid) != 0 && std::isfinite(c.tempo) && c.tempo > 0.0;
    t.tempo = t.tempoValid ? c.tempo : 0.0;
    t.musicValid = (c.state & kProjectTimeMusicValid) != 0 && std::isfinite(c.projectTimeMusic);
    t.ppqPosition = t.musicValid ? c.projectTimeMusic : 0.0;
    t.barValid = (c.state & kBarPositionValid) != 0 && std::isfinite(c.barPositionMusic);
    t.barStart = t.barValid ? c.barPositionMusic : 0.0;
    t.timeSignatureValid =
        (c.state & kTimeSigValid) != 0 && c.timeSigNumerator > 0 && c.timeSigDenominator > 0;
    t.timeSigNumerator = t.timeSignatureValid ? c.timeSigNumerator : 0;
    t.timeSigDenominator = t.timeSignatureValid ? c.timeSigDenominator : 0;
    return t;
}
} // namespace

// --- IAudioProcessor -----------------------------------------------------------------------------

tresult VST3_API CVst3Effect::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                 SpeakerArrangement* outputs, int32 numOuts)
{
    if (active) return kResultFalse;
    const bool stereo = numIns == 1 && numOuts == 1 && inputs && outputs && inputs[0] == kStereo &&
                        outputs[0] == kStereo;
    return stereo ? kResultTrue : kResultFalse;
}

tresult VST3_API CVst3Effect::getBusArrangement(int32 dir, int32 index, SpeakerArrangement* arr)
{
    if (!arr || (dir != kInput && dir != kOutput) || index != 0) return kInvalidArgument;
    *arr = kStereo;
    return kResultOk;
}

tresult VST3_API CVst3Effect::canProcessSampleSize(int32 symbolicSampleSize)
{
    return symbolicSampleSize == kSample32 || symbolicSampleSize == kSample64 ? kResultTrue
                                                                              : kResultFalse;
}

uint32 VST3_API CVst3Effect::getLatencySamples()
{
    if (plugin && !active) latencyInForce = static_cast<uint32>(std::max(plugin->latency(), 0));
    deliverRestarts();
    return latencyInForce.load();
}

tresult VST3_API CVst3Effect::setupProcessing(ProcessSetup* setup)
{
    if (!setup) return kInvalidArgument;
    if (active) return kResultFalse;
    if (setup->symbolicSampleSize != kSample32 && setup->symbolicSampleSize != kSample64)
        return kInvalidArgument;
    if (!std::isfinite(setup->sampleRate) || setup->sampleRate <= 0.0 ||
        setup->maxSamplesPerBlock < 1)
        return kInvalidArgument;
    processSetup = *setup;
    if (plugin)
    {
        plugin->setSampleRate(setup->sampleRate);
        plugin->setBlockSize(setup->maxSamplesPerBlock);
    }
    return kResultOk;
}

tresult VST3_API CVst3Effect::setProcessing(TBool)
{
    return plugin ? kResultOk : kNotInitialized;
}

tresult VST3_API CVst3Effect::process(ProcessData* data)
{
    if (!data) return kInvalidArgument;
    if (!plugin) return kNotInitialized;
    applyChanges(data->inputParameterChanges);
    const int32 frames = data->numSamples;
    if (frames <= 0) return kResultOk; // a parameter flush: no audio
    const int32 size = data->symbolicSampleSize;
    if (size != kSample32 && size != kSample64) return kInvalidArgument;
    if (!StereoBuffers(*data, false, size)) return kResultOk; // nowhere to write
    AudioBusBuffers& out = data->outputs[0];
    if (!active || !StereoBuffers(*data, true, size))
    {
        // No input to level (deactivated input bus): silence, so nothing stale goes out.
        if (size == kSample64)
            Silence(out, out.channelBuffers64, frames);
        else
            Silence(out, out.channelBuffers32, frames);
        return kResultOk;
    }
    if (data->processContext)
    {
        const TOstraTime time = TimeOf(*data->processContext);
        plugin->setTime(&time);
    }
    else
        plugin->setTime(nullptr);
    AudioBusBuffers& in = data->inputs[0];
    if (size == kSample64)
        processBlock(in.channelBuffers64, out.channelBuffers64, frames);
    else
        processBlock(in.channelBuffers32, out.channelBuffers32, frames);
    out.silenceFlags = 0;
    // Channels beyond the two the plug-in levels carry silence.
    for (int32 c = 2; c < out.numChannels && c < 64; ++c)
    {
        if (size == kSample64 && out.channelBuffers64[c])
            std::fill(out.channelBuffers64[c], out.channelBuffers64[c] + frames, 0.0);
        else if (size == kSample32 && out.channelBuffers32[c])
            std::fill(out.channelBuffers32[c], out.channelBuffers32[c] + frames, 0.0f);
        out.silenceFlags |= uint64(1) << c;
    }
    return kResultOk;
}

template <typename T> void CVst3Effect::processBlock(T* const* in, T* const* out, int32 frames)
{
    // A block longer than the host announced is levelled in pieces the bypass can hold.
    const int32 chunk = bypass.capacity();
    for (int32 start = 0; start < frames && chunk > 0; start += chunk)
    {
        const int32 n = std::min(chunk, frames - start);
        T* inputs[2] = {in[0] + start, in[1] + start};
        T* outputs[2] = {out[0] + start, out[1] + start};
        bypass.capture(inputs, n);
        plugin->process(inputs, outputs, n);
        bypass.mix(outputs, n);
    }
}

void CVst3Effect::applyChanges(IParameterChanges* changes)
{
    if (!changes) return;
    const int32 count = changes->getParameterCount();
    for (int32 i = 0; i < count; ++i)
    {
        IParamValueQueue* queue = changes->getParameterData(i);
        if (!queue) continue;
        const int32 points = queue->getPointCount();
        int32 offset = 0;
        ParamValue value = 0.0;
        if (points < 1 || queue->getPoint(points - 1, &offset, &value) != kResultOk) continue;
        if (!std::isfinite(value)) continue;
        value = std::clamp(value, 0.0, 1.0);
        // The block is levelled with the value the queue ends at (the leveller's own smoothing
        // takes it from there), as a VST 2.4 host sets a parameter before the block.
        const ParamID id = queue->getParameterId();
        if (id == quar2vst3::kBypassId)
        {
            bypassValue = value;
            bypass.setBypassed(value >= 0.5);
        }
        else if (isLevellerParameter(id))
            plugin->setParameter(static_cast<int32>(id), value);
    }
}

uint32 VST3_API CVst3Effect::getTailSamples()
{
    return kNoTail;
}

uint32 VST3_API CVst3Effect::getProcessContextRequirements()
{
    // The leveller reads the tempo and time signature, the transport and the musical position.
    return kNeedTempo | kNeedTimeSignature | kNeedTransportState | kNeedProjectTimeMusic |
           kNeedBarPositionMusic;
}
