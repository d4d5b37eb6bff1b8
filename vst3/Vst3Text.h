#pragma once
// Text between the plug-in's UTF-8 and the interface's zero-terminated UTF-16 (char16_t, on
// every platform), and fixed-size 8-bit fields. Every copy is cut to the destination's size and
// always terminated; malformed UTF-8 bytes become U+FFFD.

#include <cstddef>

#include "vst3/Vst3Types.h"

namespace vst3text
{
// UTF-8 `text` (null: empty) into `out` of `units` code units (> 0).
void ToUtf16(const char* text, vst3::char16* out, size_t units);
// UTF-16 `text` (null: empty; read up to `units` units or its terminator) into UTF-8 `out` of
// `bytes` bytes (> 0); a sequence that does not fit is left out whole.
void ToUtf8(const vst3::char16* text, size_t units, char* out, size_t bytes);
// An 8-bit text into a fixed field of `bytes` bytes, zero-padded.
void CopyField(const char* text, char* out, size_t bytes);
} // namespace vst3text
