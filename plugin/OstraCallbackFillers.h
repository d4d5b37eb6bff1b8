#pragma once
// The functions behind the callback table, grouped by what they serve. Each group fills its
// entries of a table; MakeOstraCallbacks fills all of them as the entry point hands them to the
// factory (KeyDown and KeyUp stay null: the script takes no keys).

#include "plugin/OstraCallbackTable.h"

// Create .. MouseMoved and GetVendorVersion .. GetProgramNameIndexed: set-up, life cycle, editor
// drawing and mouse, names and program.
void FillOstraLifeCallbacks(TOstraCallbacks& table);
// GetParameter .. GetParameterDisplay, GetChunk and SetChunk: parameters and the state chunk.
void FillOstraParameterCallbacks(TOstraCallbacks& table);
// ProcessReplacing and ProcessDoubleReplacing: the 32- and 64-bit audio bridge.
void FillOstraAudioCallbacks(TOstraCallbacks& table);

// The complete table of this plug-in.
inline TOstraCallbacks MakeOstraCallbacks()
{
    TOstraCallbacks table{};
    FillOstraLifeCallbacks(table);
    FillOstraParameterCallbacks(table);
    FillOstraAudioCallbacks(table);
    return table;
}
