#pragma once
// What every exported entry point does: make the leveller's runtime, the plug-in object around
// it, and hand back the effect record.

#include "vst/AEffect.h"

// [loading thread] Fills the callback table, makes the runtime (TXlatEffect), makes the plug-in
// object with one program and one parameter per slider record, and points the runtime's
// adapter at it. Answers the effect record, or null when the host refused (its version answer
// was 0); the runtime is deleted again then.
AEffect* MakeOstraInstance(audioMasterCallback audioMaster);
