#pragma once
// How many bytes (terminating zero included) the plug-in writes into each kind of host text
// buffer, and the one copy routine that honours them. Texts longer than the bound are cut; the
// result is always terminated.
//
// - Parameter name, label and display text: 64 bytes. The interface's own limit (8 bytes) is
//   too short for names like "Push Down [dB]"; every host in use passes at least 64 here.
// - Program name: 24 bytes (the interface's limit). The name the host sets may be of any
//   length; the plug-in keeps it whole and hands back its first 23 bytes.
// - Effect name 32 bytes, vendor and product texts 64 bytes (the interface's limits).

#include <cstddef>
#include <cstring>
#include <string>

#include "runtime/DebugLog.h"
#include "vst/AEffect.h"

constexpr size_t kOstraParamTextBytes = kVstParamTextBufferLen;
constexpr size_t kOstraProgramNameBytes = kVstMaxProgNameLen;
constexpr size_t kOstraEffectNameBytes = kVstMaxEffectNameLen;
constexpr size_t kOstraVendorBytes = kVstMaxVendorStrLen;
constexpr size_t kOstraProductBytes = kVstMaxProductStrLen;

// Copies `text` into `target` (room for `capacity` bytes, at least 1), cutting it so that the
// terminating zero fits.
inline void CopyBoundedText(char* target, const std::string& text, size_t capacity)
{
    QUAR2_EXPECTS(target != nullptr);
    if (capacity == 0) return;
    const size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
    std::memcpy(target, text.data(), n);
    target[n] = 0;
}
