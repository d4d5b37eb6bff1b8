// The parameter and chunk entries of the callback table (GetParameter, SetParameter,
// GetParameterName, GetParameterLabel, GetParameterDisplay, GetChunk, SetChunk): host parameter i
// is the runtime's slider record i, with normalised values, quantisation to the slider's step,
// names and display texts; the state chunk is the runtime's GetState / SetState.
//
// Indexes outside the declared records answer 0.0 / an empty text and change nothing.

#include "plugin/COstra.h"
#include "plugin/OstraCallbackFillers.h"
#include "plugin/OstraTextBounds.h"
#include "runtime/XlatParameters.h"

namespace
{
// The record of host parameter `index` and its runtime, or null for an index out of range.
const SliderRecord* Record(COstra* plugin, int32_t index, TXlat** runtimeOut = nullptr)
{
    TXlat* runtime = plugin->getRuntime();
    const SliderRecord* record = runtime ? ParameterRecord(*runtime, index) : nullptr;
    if (record && runtimeOut) *runtimeOut = runtime;
    return record;
}

double GetParameter(COstra* plugin, int32_t index)
{
    TXlat* runtime = plugin->getRuntime();
    return runtime ? runtime->ParameterValue(index) : 0.0;
}

void SetParameter(COstra* plugin, int32_t index, double value)
{
    if (TXlat* runtime = plugin->getRuntime()) SetParameterValue(*runtime, index, value);
}

void GetParameterName(COstra* plugin, int32_t index, char* text)
{
    const SliderRecord* record = Record(plugin, index);
    CopyBoundedText(text, record ? record->name : std::string(), kOstraParamTextBytes);
}

void GetParameterLabel(COstra* plugin, int32_t index, char* text)
{
    const SliderRecord* record = Record(plugin, index);
    CopyBoundedText(text, record ? record->label : std::string(), kOstraParamTextBytes);
}

void GetParameterDisplay(COstra* plugin, int32_t index, char* text)
{
    TXlat* runtime = nullptr;
    const SliderRecord* record = Record(plugin, index, &runtime);
    if (!record)
    {
        CopyBoundedText(text, std::string(), kOstraParamTextBytes);
        return;
    }
    ParameterDisplayText(*record, runtime->sliders[static_cast<size_t>(record->number)], text,
                         kOstraParamTextBytes);
}

int32_t GetChunk(COstra* plugin, void** data, bool /*isPreset*/)
{
    TXlat* runtime = plugin->getRuntime();
    if (!runtime || !data) return 0;
    return runtime->GetState(data);
}

int32_t SetChunk(COstra* plugin, void* data, int32_t byteSize, bool /*isPreset*/)
{
    TXlat* runtime = plugin->getRuntime();
    if (!runtime) return 0;
    // Without data nothing can be loaded, whatever size the host names: like a chunk without
    // the marker, nothing changes and the answer is the size given.
    if (!data) return byteSize;
    return runtime->SetState(data, byteSize);
}
} // namespace

void FillOstraParameterCallbacks(TOstraCallbacks& table)
{
    table.GetParameter = GetParameter;
    table.SetParameter = SetParameter;
    table.GetParameterName = GetParameterName;
    table.GetParameterLabel = GetParameterLabel;
    table.GetParameterDisplay = GetParameterDisplay;
    table.GetChunk = GetChunk;
    table.SetChunk = SetChunk;
}
