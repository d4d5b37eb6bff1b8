#include "plugin/OstraBridge.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "effect/LevellerParameters.h"
#include "gui/AEffGUIEditor.h"
#include "gui/CFrame.h"
#include "plugin/COstra.h"
#include "plugin/OstraInstance.h"
#include "runtime/Xlat.h"
#include "runtime/XlatParameters.h"
#include "vst/FloatingPointScope.h"

#ifndef _WIN32
#include <X11/Xlib.h>
#endif

namespace
{
// The VST 2.4 version this host claims: the plug-in object makes no instance for an answer of 0.
constexpr VstIntPtr kHostVersion = 2400;

bool SameTextIgnoringCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
    {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::string Trimmed(const char* text)
{
    std::string s(text);
    const auto notSpace = [](unsigned char c) { return !std::isspace(c); };
    s.erase(s.begin(), std::find_if(s.begin(), s.end(), notSpace));
    s.erase(std::find_if(s.rbegin(), s.rend(), notSpace).base(), s.end());
    return s;
}
} // namespace

COstraBridge::COstraBridge(COstraHostServices& services) : services(services)
{
    effect = MakeOstraInstance(&COstraBridge::hostCallback);
    if (!effect) return;
    effect->user = this;
    dispatch(effOpen);
}

COstraBridge::~COstraBridge()
{
    if (!effect) return;
    closeEditor();
    suspend();
    // effClose deletes the instance (the class trampoline's rule for every host).
    dispatch(effClose);
    effect = nullptr;
}

VstIntPtr COstraBridge::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                 float opt) const
{
    return effect ? effect->dispatcher(effect, opcode, index, value, ptr, opt) : 0;
}

COstra* COstraBridge::plugin() const
{
    return effect ? static_cast<COstra*>(effect->object) : nullptr;
}

// --- What the plug-in object asks of its host ---------------------------------------------------

VstIntPtr COstraBridge::hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                     VstIntPtr /*value*/, void* /*ptr*/, float opt)
{
    // Calls made while the instance is being made come before `user` is set: only the version
    // question, which needs no bridge.
    auto* self = effect ? static_cast<COstraBridge*>(effect->user) : nullptr;
    switch (opcode)
    {
    case audioMasterVersion:
        return kHostVersion;
    case audioMasterGetTime:
        return self && self->timeKnown ? reinterpret_cast<VstIntPtr>(&self->timeInfo) : 0;
    case audioMasterGetSampleRate:
        return self ? static_cast<VstIntPtr>(self->sampleRate) : 0;
    case audioMasterGetBlockSize:
        return self ? self->blockSize : 0;
    case audioMasterBeginEdit:
        if (self) self->services.beginEdit(index);
        return self ? 1 : 0;
    case audioMasterAutomate:
        if (self) self->services.performEdit(index, static_cast<double>(opt));
        return self ? 1 : 0;
    case audioMasterEndEdit:
        if (self) self->services.endEdit(index);
        return self ? 1 : 0;
    case audioMasterIOChanged:
        if (self) self->services.latencyChanged(effect->initialDelay);
        return self ? 1 : 0;
    case audioMasterUpdateDisplay:
        if (self) self->services.displayChanged();
        return self ? 1 : 0;
    default:
        // Idle, window sizing, MIDI and the host's identity: nothing a format adapter offers.
        return 0;
    }
}

// --- Identity and set-up ------------------------------------------------------------------------

int32_t COstraBridge::channelCount() const
{
    return effect ? effect->numInputs : 0;
}

int32_t COstraBridge::latency() const
{
    return effect ? effect->initialDelay : 0;
}

int32_t COstraBridge::uniqueId() const
{
    return effect ? effect->uniqueID : 0;
}

int32_t COstraBridge::vendorVersion() const
{
    return static_cast<int32_t>(dispatch(effGetVendorVersion));
}

bool COstraBridge::setSampleRate(double rate)
{
    // The VST 2.4 record takes the rate as a float: the same value reaches the leveller here.
    if (!effect || !std::isfinite(rate) || rate <= 0.0 || rate > 1.0e7) return false;
    sampleRate = rate;
    timeInfo.sampleRate = rate;
    dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
    return true;
}

bool COstraBridge::setBlockSize(int32_t frames)
{
    if (!effect || frames < 1) return false;
    blockSize = frames;
    dispatch(effSetBlockSize, 0, frames);
    return true;
}

void COstraBridge::resume()
{
    if (!effect || isRunning) return;
    dispatch(effMainsChanged, 0, 1);
    isRunning = true;
}

void COstraBridge::suspend()
{
    if (!effect || !isRunning) return;
    dispatch(effMainsChanged, 0, 0);
    isRunning = false;
}

// --- Audio --------------------------------------------------------------------------------------

void COstraBridge::setTime(const TOstraTime* time)
{
    timeKnown = time != nullptr;
    if (!time) return;
    VstInt32 flags = 0;
    if (time->playing) flags |= kVstTransportPlaying;
    if (time->recording) flags |= kVstTransportRecording;
    if (time->tempoValid) flags |= kVstTempoValid;
    if (time->musicValid) flags |= kVstPpqPosValid;
    if (time->barValid) flags |= kVstBarsValid;
    if (time->timeSignatureValid) flags |= kVstTimeSigValid;
    timeInfo.samplePos = time->samplePosition;
    timeInfo.sampleRate = sampleRate;
    timeInfo.tempo = time->tempo;
    timeInfo.ppqPos = time->ppqPosition;
    timeInfo.barStartPos = time->barStart;
    timeInfo.timeSigNumerator = time->timeSigNumerator;
    timeInfo.timeSigDenominator = time->timeSigDenominator;
    timeInfo.flags = flags;
}

void COstraBridge::process(float* const* inputs, float* const* outputs, int32_t frames)
{
    if (!effect || frames <= 0 || !inputs || !outputs) return;
    effect->processReplacing(effect, const_cast<float**>(inputs), const_cast<float**>(outputs),
                             frames);
}

void COstraBridge::process(double* const* inputs, double* const* outputs, int32_t frames)
{
    if (!effect || frames <= 0 || !inputs || !outputs) return;
    effect->processDoubleReplacing(effect, const_cast<double**>(inputs),
                                   const_cast<double**>(outputs), frames);
}

// --- Parameters ---------------------------------------------------------------------------------

int32_t COstraBridge::parameterCount() const
{
    return effect ? effect->numParams : 0;
}

bool COstraBridge::parameterInfo(int32_t index, TOstraParameterInfo& info) const
{
    if (index < 0 || index >= parameterCount() || index >= kLevellerParameterCount) return false;
    const LevellerParameter& p = kLevellerParameters[index];
    info.name = p.name;
    info.title = p.title;
    info.unit = p.unit;
    info.minimum = p.minimum;
    info.maximum = p.maximum;
    info.defaultValue = p.defaultValue;
    info.defaultNormalized = (p.defaultValue - p.minimum) / (p.maximum - p.minimum);
    // Whole steps only: Display Speed's tenths are a fine grid a host shows as a continuous
    // control.
    const double steps = (p.maximum - p.minimum) / p.step;
    info.stepCount = p.step >= 1.0 ? static_cast<int32_t>(std::lround(steps)) : 0;
    info.isList = !p.stepNames.empty();
    return true;
}

void COstraBridge::setParameter(int32_t index, double normalized)
{
    if (!effect || std::isnan(normalized)) return;
    const double clamped = std::clamp(normalized, 0.0, 1.0);
    // The record's parameter call takes a float, as from a VST 2.4 host: the same value, the
    // same slider position.
    effect->setParameter(effect, index, static_cast<float>(clamped));
}

double COstraBridge::getParameter(int32_t index) const
{
    return effect ? static_cast<double>(effect->getParameter(effect, index)) : 0.0;
}

double COstraBridge::plainValue(int32_t index, double normalized) const
{
    const SliderRecord* record = recordOf(index);
    if (!record || std::isnan(normalized)) return 0.0;
    // What setParameter would make of it: the float of the clamped value, mapped and snapped.
    const float n = static_cast<float>(std::clamp(normalized, 0.0, 1.0));
    return ParameterSliderValue(*record, static_cast<double>(n));
}

double COstraBridge::normalizedValue(int32_t index, double plain) const
{
    TOstraParameterInfo info;
    if (!parameterInfo(index, info) || std::isnan(plain)) return 0.0;
    const double v = std::clamp(plain, info.minimum, info.maximum);
    return (v - info.minimum) / (info.maximum - info.minimum);
}

bool COstraBridge::displayText(int32_t index, double normalized, char* text, size_t bytes) const
{
    if (!text || bytes == 0) return false;
    *text = 0;
    const SliderRecord* record = recordOf(index);
    if (!record || std::isnan(normalized)) return false;
    ParameterDisplayText(*record, plainValue(index, normalized), text, bytes);
    return true;
}

bool COstraBridge::parseText(int32_t index, const char* text, double& normalized) const
{
    TOstraParameterInfo info;
    if (!text || !parameterInfo(index, info)) return false;
    const LevellerParameter& p = kLevellerParameters[index];
    const std::string typed = Trimmed(text);
    if (typed.empty()) return false;
    for (size_t i = 0; i < p.stepNames.size(); ++i)
    {
        if (SameTextIgnoringCase(typed, p.stepNames[i]))
        {
            normalized = p.stepNames.size() > 1
                             ? static_cast<double>(i) / static_cast<double>(p.stepNames.size() - 1)
                             : 0.0;
            return true;
        }
    }
    if (p.zeroName && SameTextIgnoringCase(typed, p.zeroName))
    {
        normalized = normalizedValue(index, 0.0);
        return true;
    }
    char* end = nullptr;
    const double value = std::strtod(typed.c_str(), &end);
    if (end == typed.c_str() || !std::isfinite(value)) return false;
    // What may follow the number: nothing, or the unit.
    const std::string rest = Trimmed(end);
    if (!rest.empty() && !SameTextIgnoringCase(rest, p.unit)) return false;
    normalized = normalizedValue(index, value);
    return true;
}

const SliderRecord* COstraBridge::recordOf(int32_t index) const
{
    COstra* object = plugin();
    TXlat* runtime = object ? object->getRuntime() : nullptr;
    return runtime ? ParameterRecord(*runtime, index) : nullptr;
}

// --- State --------------------------------------------------------------------------------------

int32_t COstraBridge::saveState(const void** data)
{
    if (!data) return 0;
    *data = nullptr;
    void* chunk = nullptr;
    const auto size = static_cast<int32_t>(dispatch(effGetChunk, 0, 0, &chunk));
    if (size <= 0 || !chunk) return 0;
    *data = chunk;
    return size;
}

bool COstraBridge::loadState(const void* data, int32_t bytes)
{
    // Only a chunk that starts with the state marker is one of ours; anything else would be
    // taken without effect, so it is refused here where the formats can say so.
    float marker = 0.0f;
    if (!effect || !data || bytes < static_cast<int32_t>(sizeof marker)) return false;
    std::memcpy(&marker, data, sizeof marker);
    if (marker != TXlat::kChunkMarker) return false;
    dispatch(effSetChunk, 0, bytes, const_cast<void*>(data));
    return true;
}

// --- Editor -------------------------------------------------------------------------------------

bool COstraBridge::hasEditor() const
{
    return effect && (effect->flags & effFlagsHasEditor) != 0;
}

bool COstraBridge::editorSize(int32_t& width, int32_t& height) const
{
    width = height = 0;
    ERect* rect = nullptr;
    if (!hasEditor() || !dispatch(effEditGetRect, 0, 0, &rect) || !rect) return false;
    width = rect->right - rect->left;
    height = rect->bottom - rect->top;
    return true;
}

bool COstraBridge::openEditor(void* parent)
{
    if (!hasEditor() || !parent) return false;
    closeEditor();
    isEditorOpen = dispatch(effEditOpen, 0, 0, parent) != 0;
    return isEditorOpen;
}

void COstraBridge::closeEditor()
{
    if (!isEditorOpen) return;
    dispatch(effEditClose);
    isEditorOpen = false;
}

void COstraBridge::idleEditor()
{
    if (isEditorOpen) dispatch(effEditIdle);
}

int COstraBridge::editorConnection() const
{
#ifdef _WIN32
    return -1;
#else
    COstra* object = plugin();
    auto* editor = object ? dynamic_cast<AEffGUIEditor*>(object->getEditor()) : nullptr;
    CFrame* frame = isEditorOpen && editor ? editor->getFrame() : nullptr;
    Display* display = frame ? frame->getDisplay() : nullptr;
    return display ? ConnectionNumber(display) : -1;
#endif
}
