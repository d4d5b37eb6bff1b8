#include "plugin/COstra.h"

#include "plugin/OstraEditorLink.h"
#include "runtime/DebugLog.h"

COstra::COstra(TXlat* runtime, const TOstraCallbacks& callbacks, audioMasterCallback audioMaster,
               VstInt32 numPrograms, VstInt32 numParams)
    : AudioEffectX(audioMaster, numPrograms, numParams), runtime(runtime),
      midiEvents(kMidiRingSize, VstMidiEvent{}), callbacks(callbacks)
{
}

COstra::~COstra()
{
    fontCache.Release();
    if (callbacks.Destroy) callbacks.Destroy(this);
    runtime = nullptr;
    // The ring and the cache free their storage with the members; AudioEffect deletes the
    // editor last, after the runtime is gone.
}

COstra* CreateOstra(TXlat* runtime, const TOstraCallbacks& callbacks,
                    audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams)
{
    if (!audioMaster || audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
        return nullptr;
    auto* plugin = new COstra(runtime, callbacks, audioMaster, numPrograms, numParams);
    try
    {
        plugin->canProcessReplacing(true);
        plugin->canDoubleReplacing(true);
        if (callbacks.Create) callbacks.Create(plugin);
    }
    catch (...)
    {
        plugin->detachRuntime();
        delete plugin;
        throw;
    }
    return plugin;
}

// --- Plug-in operations: each goes through its entry, doing nothing without one ---------------

void COstra::open()
{
    if (callbacks.Open) callbacks.Open(this);
}

void COstra::close()
{
    if (callbacks.Close) callbacks.Close(this);
}

void COstra::suspend()
{
    running = false;
    if (callbacks.Suspend) callbacks.Suspend(this);
}

void COstra::resume()
{
    AudioEffectX::resume();
    if (callbacks.Resume) callbacks.Resume(this);
    running = true;
}

void COstra::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames)
{
    if (callbacks.ProcessReplacing) callbacks.ProcessReplacing(this, inputs, outputs, sampleFrames);
}

void COstra::processDoubleReplacing(double** inputs, double** outputs, VstInt32 sampleFrames)
{
    if (callbacks.ProcessDoubleReplacing)
        callbacks.ProcessDoubleReplacing(this, inputs, outputs, sampleFrames);
}

void COstra::setParameter(VstInt32 index, float value)
{
    if (callbacks.SetParameter) callbacks.SetParameter(this, index, static_cast<double>(value));
}

float COstra::getParameter(VstInt32 index)
{
    return callbacks.GetParameter ? static_cast<float>(callbacks.GetParameter(this, index)) : 0.0f;
}

void COstra::setProgramName(char* name)
{
    QUAR2_EXPECTS(name != nullptr);
    if (callbacks.SetProgramName) callbacks.SetProgramName(this, name);
}

void COstra::getProgramName(char* name)
{
    QUAR2_EXPECTS(name != nullptr);
    *name = 0;
    if (callbacks.GetProgramName) callbacks.GetProgramName(this, name);
}

void COstra::getParameterLabel(VstInt32 index, char* text)
{
    QUAR2_EXPECTS(text != nullptr);
    *text = 0;
    if (callbacks.GetParameterLabel) callbacks.GetParameterLabel(this, index, text);
}

void COstra::getParameterDisplay(VstInt32 index, char* text)
{
    QUAR2_EXPECTS(text != nullptr);
    *text = 0;
    if (callbacks.GetParameterDisplay) callbacks.GetParameterDisplay(this, index, text);
}

void COstra::getParameterName(VstInt32 index, char* text)
{
    QUAR2_EXPECTS(text != nullptr);
    *text = 0;
    if (callbacks.GetParameterName) callbacks.GetParameterName(this, index, text);
}

VstInt32 COstra::getChunk(void** data, bool isPreset)
{
    return callbacks.GetChunk && data ? callbacks.GetChunk(this, data, isPreset) : 0;
}

VstInt32 COstra::setChunk(void* data, VstInt32 byteSize, bool isPreset)
{
    return callbacks.SetChunk ? callbacks.SetChunk(this, data, byteSize, isPreset) : 0;
}

bool COstra::getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text)
{
    return callbacks.GetProgramNameIndexed &&
           callbacks.GetProgramNameIndexed(this, category, index, text) != 0;
}

bool COstra::getEffectName(char* name)
{
    QUAR2_EXPECTS(name != nullptr);
    return callbacks.GetEffectName && callbacks.GetEffectName(this, name);
}

bool COstra::getVendorString(char* text)
{
    QUAR2_EXPECTS(text != nullptr);
    return callbacks.GetVendorString && callbacks.GetVendorString(this, text);
}

bool COstra::getProductString(char* text)
{
    QUAR2_EXPECTS(text != nullptr);
    return callbacks.GetProductString && callbacks.GetProductString(this, text);
}

VstInt32 COstra::getVendorVersion()
{
    return callbacks.GetVendorVersion ? callbacks.GetVendorVersion(this) : 0;
}

VstInt32 COstra::canDo(char* text)
{
    static const char kReceiveMidi[] = "receiveVstMidiEvent";
    QUAR2_EXPECTS(text != nullptr);
    // Byte by byte, the terminating zero included, stopping at the first difference: only the
    // exact text matches, and a shorter host buffer is never read past its own terminator.
    for (size_t i = 0; i < sizeof kReceiveMidi; ++i)
    {
        if (text[i] != kReceiveMidi[i]) return -1;
    }
    return cEffect.flags | effFlagsIsSynth;
}

// --- Runtime access -------------------------------------------------------------------------

double COstra::getTempo()
{
    const VstTimeInfo* info = getTimeInfo(kVstTempoValid);
    return info ? info->tempo : 0.0;
}

void COstra::getTempoAndTimeSig(double& tempo, double& numerator, double& denominator)
{
    const VstTimeInfo* info = getTimeInfo(kVstTempoValid | kVstTimeSigValid);
    tempo = info ? info->tempo : 0.0;
    numerator = info ? info->timeSigNumerator : 0.0;
    denominator = info ? info->timeSigDenominator : 0.0;
}

bool COstra::isPlaying()
{
    const VstTimeInfo* info = getTimeInfo(kVstTransportPlaying);
    return info && (info->flags & kVstTransportPlaying) != 0;
}

bool COstra::isRecording()
{
    const VstTimeInfo* info = getTimeInfo(kVstTransportRecording);
    return info && (info->flags & kVstTransportRecording) != 0;
}

double COstra::getPpqPosition()
{
    const VstTimeInfo* info = getTimeInfo(kVstPpqPosValid);
    return info ? info->ppqPos : 0.0;
}

double COstra::getBarStart()
{
    const VstTimeInfo* info = getTimeInfo(kVstBarsValid);
    return info ? info->barStartPos : 0.0;
}

int32_t COstra::updateDisplay()
{
    return AudioEffectX::updateDisplay();
}

int32_t COstra::setLatency(int32_t frames)
{
    const bool changed = frames != cEffect.initialDelay;
    setInitialDelay(frames);
    // Before the resume returns the host has not read the delay yet; afterwards it would keep
    // compensating the old one unless told.
    if (changed && running) ioChanged();
    return 1;
}

void COstra::beginParameterEdit(int32_t index)
{
    beginEdit(index);
}

void COstra::parameterEdited(int32_t index, double value)
{
    // The parameter is already set: only the host is told (not setParameterAutomated, which
    // would set it again through the host's path).
    callHost(audioMasterAutomate, index, 0, nullptr, static_cast<float>(value));
}

void COstra::endParameterEdit(int32_t index)
{
    endEdit(index);
}

int32_t COstra::redrawEditor()
{
    auto* link = dynamic_cast<COstraEditorLink*>(getEditor());
    return link && link->invalidateScriptView() ? 1 : 0;
}

bool COstra::getEditorSize(int32_t& width, int32_t& height)
{
    width = height = 0;
    AEffEditor* editor = getEditor();
    ERect* rect = nullptr;
    if (!editor || !editor->getRect(&rect) || !rect) return false;
    width = rect->right - rect->left;
    height = rect->bottom - rect->top;
    return true;
}
