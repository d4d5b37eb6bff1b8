#include "vst/AudioEffect.h"

#include "vst/FloatingPointScope.h"

AudioEffect::AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams)
    : audioMaster(audioMaster), numPrograms(numPrograms), numParams(numParams)
{
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = dispatchEffectClass;
    cEffect.process = processClass;
    cEffect.setParameter = setParameterClass;
    cEffect.getParameter = getParameterClass;
    cEffect.numPrograms = numPrograms;
    cEffect.numParams = numParams;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.flags = 0;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = vstFourCC('N', 'o', 'E', 'f');
    cEffect.version = 1;
    cEffect.processReplacing = processClassReplacing;
    cEffect.processDoubleReplacing = processClassDoubleReplacing;
}

AudioEffect::~AudioEffect()
{
    delete editor;
    editor = nullptr;
}

VstIntPtr AudioEffect::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                float opt)
{
    return audioMaster ? audioMaster(&cEffect, opcode, index, value, ptr, opt) : 0;
}

VstInt32 AudioEffect::getMasterVersion()
{
    return static_cast<VstInt32>(callHost(audioMasterVersion));
}

VstInt32 AudioEffect::getCurrentUniqueId()
{
    return static_cast<VstInt32>(callHost(audioMasterCurrentId));
}

void AudioEffect::masterIdle()
{
    callHost(audioMasterIdle);
}

void AudioEffect::setParameterAutomated(VstInt32 index, float value)
{
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                  float opt)
{
    // Text opcodes: the host's buffer may be null (a broken host); then nothing is written.
    char* text = static_cast<char*>(ptr);
    switch (opcode)
    {
    case effOpen:
        open();
        return 0;
    case effClose:
        close();
        return 1;
    case effSetProgram:
        // Only existing programs: a negative value would otherwise become the current one.
        if (value >= 0 && value < numPrograms) setProgram(static_cast<VstInt32>(value));
        return 0;
    case effGetProgram:
        return getProgram();
    case effSetProgramName:
        if (text) setProgramName(text);
        return 0;
    case effGetProgramName:
        if (text) getProgramName(text);
        return 0;
    case effGetParamLabel:
        if (text) getParameterLabel(index, text);
        return 0;
    case effGetParamDisplay:
        if (text) getParameterDisplay(index, text);
        return 0;
    case effGetParamName:
        if (text) getParameterName(index, text);
        return 0;
    case effSetSampleRate:
        setSampleRate(opt);
        return 0;
    case effSetBlockSize:
        setBlockSize(static_cast<VstInt32>(value));
        return 0;
    case effMainsChanged:
        if (value == 0)
            suspend();
        else
            resume();
        return 0;
    case effEditGetRect:
        return editor && ptr ? (editor->getRect(static_cast<ERect**>(ptr)) ? 1 : 0) : 0;
    case effEditOpen:
        return editor ? (editor->open(ptr) ? 1 : 0) : 0;
    case effEditClose:
        if (editor) editor->close();
        return 0;
    case effEditIdle:
        if (editor) editor->idle();
        return 0;
    case effIdentify:
        return vstFourCC('N', 'v', 'E', 'f');
    case effGetChunk:
        return ptr ? getChunk(static_cast<void**>(ptr), index != 0) : 0;
    case effSetChunk:
        // A chunk pointer of null carries no bytes, whatever size the host claims.
        if (!ptr) return 0;
        return setChunk(ptr, static_cast<VstInt32>(value), index != 0);
    default:
        return 0;
    }
}

// The trampolines are where a host written in C calls in, so nothing may be thrown past them: a
// failure inside (an allocation a huge chunk or name asked for, say) answers the interface's "did
// nothing" value. What failed left the plug-in's settings as they were: every operation changes
// them only after its allocations succeeded. Each runs in the plug-in's floating-point environment
// and hands the host's back on return (FloatingPointScope.h).
VstIntPtr AudioEffect::dispatchEffectClass(AEffect* e, VstInt32 opcode, VstInt32 index,
                                           VstIntPtr value, void* ptr, float opt)
{
    auto* object = e ? static_cast<AudioEffect*>(e->object) : nullptr;
    if (!object) return 0;
    const CFloatingPointScope floatingPoint;
    if (opcode == effClose)
    {
        // The host lets go of the instance whatever happens: it is deleted even when closing
        // failed.
        try
        {
            object->dispatcher(opcode, index, value, ptr, opt);
        }
        catch (...)
        {
        }
        delete object;
        return 1;
    }
    try
    {
        return object->dispatcher(opcode, index, value, ptr, opt);
    }
    catch (...)
    {
        return 0;
    }
}

void AudioEffect::processClass(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames)
{
    const CFloatingPointScope floatingPoint;
    try
    {
        if (auto* object = e ? static_cast<AudioEffect*>(e->object) : nullptr)
            object->process(inputs, outputs, sampleFrames);
    }
    catch (...)
    {
    }
}

void AudioEffect::processClassReplacing(AEffect* e, float** inputs, float** outputs,
                                        VstInt32 sampleFrames)
{
    const CFloatingPointScope floatingPoint;
    try
    {
        if (auto* object = e ? static_cast<AudioEffect*>(e->object) : nullptr)
            object->processReplacing(inputs, outputs, sampleFrames);
    }
    catch (...)
    {
    }
}

void AudioEffect::processClassDoubleReplacing(AEffect* e, double** inputs, double** outputs,
                                              VstInt32 sampleFrames)
{
    const CFloatingPointScope floatingPoint;
    try
    {
        if (auto* object = e ? static_cast<AudioEffect*>(e->object) : nullptr)
            object->processDoubleReplacing(inputs, outputs, sampleFrames);
    }
    catch (...)
    {
    }
}

void AudioEffect::setParameterClass(AEffect* e, VstInt32 index, float value)
{
    const CFloatingPointScope floatingPoint;
    try
    {
        if (auto* object = e ? static_cast<AudioEffect*>(e->object) : nullptr)
            object->setParameter(index, value);
    }
    catch (...)
    {
    }
}

float AudioEffect::getParameterClass(AEffect* e, VstInt32 index)
{
    const CFloatingPointScope floatingPoint;
    try
    {
        auto* object = e ? static_cast<AudioEffect*>(e->object) : nullptr;
        return object ? object->getParameter(index) : 0.0f;
    }
    catch (...)
    {
        return 0.0f;
    }
}
