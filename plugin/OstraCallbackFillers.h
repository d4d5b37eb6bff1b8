#pragma once
// The functions behind the callback table, grouped by what they serve. Each group fills its
// entries of a table; MakeOstraCallbacks fills all of them as the entry point hands them to the
// factory (entries 11 and 12, the keys, stay null: the script takes no keys).

#include "plugin/OstraCallbackTable.h"

// Entries 0..10 and 13..19: set-up, life cycle, editor drawing and mouse, names and program.
void FillOstraLifeCallbacks(TOstraCallbacks& table);
// Entries 20..24, 27, 28: parameters and the state chunk.
void FillOstraParameterCallbacks(TOstraCallbacks& table);
// Entries 25, 26: the 32- and 64-bit audio bridge.
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
