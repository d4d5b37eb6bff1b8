#include "host/lib/VstPlugin.h"

#include <algorithm>
#include <cstring>

std::unique_ptr<CVstPlugin> CVstPlugin::create(VstPluginMainProc entry, CHostCallback& host,
                                               std::string& error)
{
    error.clear();
    if (!entry)
    {
        error = "no entry point";
        return nullptr;
    }
    AEffect* record = nullptr;
    {
        CHostCallback::MakingGuard guard(&host);
        record = entry(CHostCallback::callback);
    }
    if (!record)
    {
        error = "the entry point made no effect";
        return nullptr;
    }
    if (record->magic != kEffectMagic)
    {
        error = "the entry point's record has no VST magic";
        return nullptr;
    }
    host.attach(record);
    return std::unique_ptr<CVstPlugin>(new CVstPlugin(record, host));
}

VstIntPtr CVstPlugin::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                               float opt)
{
    if (!record || !record->dispatcher) return 0;
    return record->dispatcher(record, opcode, index, value, ptr, opt);
}

std::string CVstPlugin::text(VstInt32 opcode, VstInt32 index, int limit, bool* overrun)
{
    constexpr int kBuffer = 512;
    limit = std::clamp(limit, 1, kBuffer);
    char buffer[kBuffer];
    std::memset(buffer, 0, sizeof buffer);
    dispatch(opcode, index, 0, buffer, 0.0f);
    if (overrun)
    {
        *overrun = false;
        for (int i = limit; i < kBuffer; ++i)
            *overrun = *overrun || buffer[i] != 0;
    }
    return std::string(buffer, strnlen(buffer, kBuffer));
}

void CVstPlugin::close()
{
    if (!record) return;
    dispatch(effClose);
    record = nullptr;
}

void CVstPlugin::setSampleRate(float rate)
{
    callbacks->sampleRate = rate;
    dispatch(effSetSampleRate, 0, 0, nullptr, rate);
}

void CVstPlugin::setBlockSize(VstInt32 frames)
{
    callbacks->blockSize = frames;
    blockFrames = frames;
    dispatch(effSetBlockSize, 0, frames);
}

VstIntPtr CVstPlugin::canDo(const std::string& what)
{
    std::vector<char> copy(what.begin(), what.end());
    copy.push_back(0);
    return dispatch(effCanDo, 0, 0, copy.data());
}

float CVstPlugin::getParameter(VstInt32 index)
{
    return record && record->getParameter ? record->getParameter(record, index) : 0.0f;
}

void CVstPlugin::setParameter(VstInt32 index, float value)
{
    if (record && record->setParameter) record->setParameter(record, index, value);
}

void CVstPlugin::setProgramName(const std::string& name)
{
    std::vector<char> copy(name.begin(), name.end());
    copy.push_back(0);
    dispatch(effSetProgramName, 0, 0, copy.data());
}

std::vector<uint8_t> CVstPlugin::getChunk(bool isPreset)
{
    void* data = nullptr;
    const VstIntPtr size = dispatch(effGetChunk, isPreset ? 1 : 0, 0, &data);
    if (size <= 0 || !data) return {};
    const auto* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

VstIntPtr CVstPlugin::setChunk(const std::vector<uint8_t>& bytes, bool isPreset)
{
    // The plug-in may keep no pointer into our copy beyond the call.
    std::vector<uint8_t> copy(bytes);
    return dispatch(effSetChunk, isPreset ? 1 : 0, static_cast<VstIntPtr>(copy.size()),
                    copy.empty() ? nullptr : copy.data());
}

bool CVstPlugin::editorRect(ERect& rect)
{
    ERect* reported = nullptr;
    if (!dispatch(effEditGetRect, 0, 0, &reported) || !reported) return false;
    rect = *reported;
    return true;
}

void CVstPlugin::processReplacing(float** inputs, float** outputs, VstInt32 frames)
{
    if (record && record->processReplacing)
        record->processReplacing(record, inputs, outputs, frames);
    callbacks->advance(frames);
}

void CVstPlugin::processDoubleReplacing(double** inputs, double** outputs, VstInt32 frames)
{
    if (record && record->processDoubleReplacing)
        record->processDoubleReplacing(record, inputs, outputs, frames);
    callbacks->advance(frames);
}

template <typename Sample, typename Process>
std::vector<std::vector<Sample>>
CVstPlugin::processSignal(const std::vector<std::vector<Sample>>& input, Process process)
{
    if (!record) return {};
    const size_t ins = static_cast<size_t>(std::max(record->numInputs, 0));
    const size_t outs = static_cast<size_t>(std::max(record->numOutputs, 0));
    const size_t length = input.empty() ? 0 : input[0].size();
    // Channels the caller did not give are silent; every channel gets its own buffer.
    std::vector<std::vector<Sample>> in(ins, std::vector<Sample>(length, Sample(0)));
    for (size_t c = 0; c < ins && c < input.size(); ++c)
        std::copy_n(input[c].begin(), std::min(length, input[c].size()), in[c].begin());
    std::vector<std::vector<Sample>> out(outs, std::vector<Sample>(length, Sample(0)));

    const size_t block = static_cast<size_t>(std::max(blockFrames, 1));
    std::vector<Sample*> inPtr(std::max<size_t>(ins, 1)), outPtr(std::max<size_t>(outs, 1));
    for (size_t start = 0; start < length; start += block)
    {
        const size_t n = std::min(block, length - start);
        for (size_t c = 0; c < ins; ++c)
            inPtr[c] = in[c].data() + start;
        for (size_t c = 0; c < outs; ++c)
            outPtr[c] = out[c].data() + start;
        process(inPtr.data(), outPtr.data(), static_cast<VstInt32>(n));
    }
    return out;
}

std::vector<std::vector<float>>
CVstPlugin::processFloat(const std::vector<std::vector<float>>& input)
{
    return processSignal<float>(input, [this](float** in, float** out, VstInt32 n)
                                { processReplacing(in, out, n); });
}

std::vector<std::vector<double>>
CVstPlugin::processDouble(const std::vector<std::vector<double>>& input)
{
    return processSignal<double>(input, [this](double** in, double** out, VstInt32 n)
                                 { processDoubleReplacing(in, out, n); });
}
