#pragma once
// TOstraCallbacks: the 29 entries through which the plug-in object, its editor and the editor's
// script view reach the effect-script runtime. COstra knows nothing of the runtime; the entry
// point fills this table with functions that do (OstraCallbackFillers.h: OstraLifeCallbacks.cpp,
// OstraParameterCallbacks.cpp, OstraAudioBridge.cpp), and COstra keeps its own copy. A null
// entry means the runtime offers nothing there: the caller does nothing and answers 0 (0.0 for a
// parameter value, false for a text).
//
// Every entry takes the plug-in object first. Text entries write into a host buffer of the
// documented size (see the bounds in OstraTextBounds.h); they never write beyond it.

#include <cstdint>

class COstra;

struct TOstraCallbacks
{
    // 0 [loading thread] Sets the effect record up from the runtime and makes the editor.
    void (*Create)(COstra* plugin);
    // 1 [UI thread] Deletes the runtime object (from the plug-in's destructor).
    void (*Destroy)(COstra* plugin);
    // 2..4 [UI thread] effOpen, effMainsChanged 0, effMainsChanged 1.
    void (*Open)(COstra* plugin);
    void (*Suspend)(COstra* plugin);
    void (*Resume)(COstra* plugin);
    // 5 [UI thread] Editor idle: the runtime's redraw timer.
    void (*Idle)(COstra* plugin);
    // 6 [UI thread] effClose.
    void (*Close)(COstra* plugin);
    // 7 [UI thread] Runs the script's drawing for a view of width x height pixels.
    void (*Draw)(COstra* plugin, double width, double height);
    // 8..10 [UI thread] Mouse in the script view, view pixels; `buttons` carries the toolkit's
    // button bits (left 2, middle 4, right 8, shift 16, control 32, alt 64).
    void (*MouseDown)(COstra* plugin, double x, double y, uint32_t buttons);
    void (*MouseUp)(COstra* plugin, double x, double y, uint32_t buttons);
    void (*MouseMoved)(COstra* plugin, double x, double y, uint32_t buttons);
    // 11, 12 [UI thread] Keys in the script view: character, modifier byte, virtual-key byte.
    void (*KeyDown)(COstra* plugin, int32_t character, uint8_t modifier, uint8_t virt);
    void (*KeyUp)(COstra* plugin, int32_t character, uint8_t modifier, uint8_t virt);
    // 13..16 [UI thread] Identity for the host.
    int32_t (*GetVendorVersion)(COstra* plugin);
    bool (*GetVendorString)(COstra* plugin, char* text);
    bool (*GetProductString)(COstra* plugin, char* text);
    bool (*GetEffectName)(COstra* plugin, char* text);
    // 17..19 [UI thread] The single program's name.
    bool (*GetProgramName)(COstra* plugin, char* text);
    void (*SetProgramName)(COstra* plugin, const char* text);
    int32_t (*GetProgramNameIndexed)(COstra* plugin, int32_t category, int32_t index, char* text);
    // 20, 21 [any thread] Normalised parameter values.
    double (*GetParameter)(COstra* plugin, int32_t index);
    void (*SetParameter)(COstra* plugin, int32_t index, double value);
    // 22..24 [UI thread] Parameter texts.
    void (*GetParameterName)(COstra* plugin, int32_t index, char* text);
    void (*GetParameterLabel)(COstra* plugin, int32_t index, char* text);
    void (*GetParameterDisplay)(COstra* plugin, int32_t index, char* text);
    // 25, 26 [audio thread] The audio bridge.
    void (*ProcessReplacing)(COstra* plugin, float** inputs, float** outputs, int32_t frames);
    void (*ProcessDoubleReplacing)(COstra* plugin, double** inputs, double** outputs,
                                   int32_t frames);
    // 27, 28 [UI thread] The state chunk.
    int32_t (*GetChunk)(COstra* plugin, void** data, bool isPreset);
    int32_t (*SetChunk)(COstra* plugin, void* data, int32_t byteSize, bool isPreset);
};

static_assert(sizeof(TOstraCallbacks) == 29 * sizeof(void*), "the table has 29 entries");
