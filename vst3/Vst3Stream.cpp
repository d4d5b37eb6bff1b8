#include "vst3/Vst3Stream.h"

using namespace vst3;

namespace vst3stream
{
int32 ReadUpTo(IBStream& stream, void* buffer, int32 bytes)
{
    int32 total = 0;
    while (total < bytes)
    {
        int32 got = 0;
        const tresult r = stream.read(static_cast<char*>(buffer) + total, bytes - total, &got);
        if (got <= 0 || got > bytes - total) break;
        total += got;
        if (r != kResultOk) break;
    }
    return total;
}

bool WriteAll(IBStream& stream, const void* data, int32 bytes)
{
    const char* at = static_cast<const char*>(data);
    while (bytes > 0)
    {
        int32 put = 0;
        const tresult r = stream.write(const_cast<char*>(at), bytes, &put);
        if (r != kResultOk || put <= 0 || put > bytes) return false;
        at += put;
        bytes -= put;
    }
    return true;
}
} // namespace vst3stream
