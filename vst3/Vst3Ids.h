#pragma once
// QUAR2's fixed identity as a VST3 module. The class id is fixed forever: hosts store it in
// projects and presets, and moduleinfo.json repeats it (as the four words in hex). It was drawn
// at random once; never change it.

#include "vst3/Vst3Types.h"

namespace quar2vst3
{
// The audio effect class "QUAR2": processor and edit controller in one object.
constexpr uint32_t kEffectCidWords[4] = {0xCCD26D83, 0xC4E349F1, 0x81DE158F, 0x5FDB8009};
constexpr vst3::TUID kEffectCid =
    vst3::MakeUid(kEffectCidWords[0], kEffectCidWords[1], kEffectCidWords[2], kEffectCidWords[3]);

constexpr const char* kEffectName = "QUAR2";
constexpr const char* kVendor = "Tessel Audio";
constexpr const char* kUrl = "";
constexpr const char* kEmail = "";
constexpr const char* kCategory = "Audio Module Class";
constexpr const char* kSubCategories = "Fx|Dynamics";
constexpr const char* kSdkVersion = "VST 3.8.0";

// The bypass parameter's id, beside the leveller's parameters 0..9 (their VST 2.4 indices),
// far enough from them that the leveller can grow.
constexpr vst3::ParamID kBypassId = 1000;
} // namespace quar2vst3
