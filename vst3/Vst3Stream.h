#pragma once
// Reading and writing a host's IBStream, which may move fewer bytes per call than asked: both
// loop until done, the stream has no more, or it fails. They read and write forward from where
// the stream stands (a state may sit inside a larger file).

#include "vst3/Vst3Interfaces.h"

namespace vst3stream
{
// Reads up to `bytes` bytes into `buffer`; answers how many came.
vst3::int32 ReadUpTo(vst3::IBStream& stream, void* buffer, vst3::int32 bytes);
// Writes all `bytes` bytes; false when the stream took fewer.
bool WriteAll(vst3::IBStream& stream, const void* data, vst3::int32 bytes);
} // namespace vst3stream
