#pragma once
// The VST3 binary interface's basic types, result codes and 16-byte ids, declared from the
// interface's published binary layout for 64-bit Windows (mingw-w64 and MSVC hosts) and
// 64-bit Linux. Only what QUAR2 and its test host use is declared.

#include <cstdint>

namespace vst3
{
using int8 = char;
using uint8 = uint8_t;
using int16 = int16_t;
using uint16 = uint16_t;
using int32 = int32_t;
using uint32 = uint32_t;
using int64 = int64_t;
using uint64 = uint64_t;
using TBool = uint8_t;
using char8 = char;
// UTF-16 code units on every platform (wchar_t is 4 bytes on Linux).
using char16 = char16_t;
using String128 = char16[128];
using tresult = int32_t;
using ParamID = uint32_t;
using ParamValue = double;
using SampleRate = double;
using TSamples = int64_t;
using SpeakerArrangement = uint64_t;
using FIDString = const char8*;

// Result codes: COM's values on Windows, small numbers elsewhere. Note "true" is 0.
#ifdef _WIN32
constexpr tresult kResultOk = 0;
constexpr tresult kResultTrue = 0;
constexpr tresult kResultFalse = 1;
constexpr tresult kNoInterface = static_cast<tresult>(0x80004002u);
constexpr tresult kInvalidArgument = static_cast<tresult>(0x80070057u);
constexpr tresult kNotImplemented = static_cast<tresult>(0x80004001u);
constexpr tresult kInternalError = static_cast<tresult>(0x80004005u);
constexpr tresult kNotInitialized = static_cast<tresult>(0x8000FFFFu);
constexpr tresult kOutOfMemory = static_cast<tresult>(0x8007000Eu);
#else
constexpr tresult kResultOk = 0;
constexpr tresult kResultTrue = 0;
constexpr tresult kResultFalse = 1;
constexpr tresult kNoInterface = -1;
constexpr tresult kInvalidArgument = 2;
constexpr tresult kNotImplemented = 3;
constexpr tresult kInternalError = 4;
constexpr tresult kNotInitialized = 5;
constexpr tresult kOutOfMemory = 6;
#endif

// A 16-byte interface or class id, written as four 32-bit words. Linux lays each word out
// big-endian; Windows uses the COM GUID layout (the first word and the two halves of the second
// little-endian, the rest big-endian). Hosts compare the 16 bytes as they are.
struct TUID
{
    char bytes[16];
};

constexpr TUID MakeUid(uint32_t l1, uint32_t l2, uint32_t l3, uint32_t l4)
{
    TUID id{};
    auto big = [&id](int at, uint32_t word)
    {
        for (int i = 0; i < 4; ++i)
            id.bytes[at + i] = static_cast<char>((word >> (24 - 8 * i)) & 0xFF);
    };
#ifdef _WIN32
    for (int i = 0; i < 4; ++i)
        id.bytes[i] = static_cast<char>((l1 >> (8 * i)) & 0xFF);
    id.bytes[4] = static_cast<char>((l2 >> 16) & 0xFF);
    id.bytes[5] = static_cast<char>((l2 >> 24) & 0xFF);
    id.bytes[6] = static_cast<char>(l2 & 0xFF);
    id.bytes[7] = static_cast<char>((l2 >> 8) & 0xFF);
#else
    big(0, l1);
    big(4, l2);
#endif
    big(8, l3);
    big(12, l4);
    return id;
}

// True when the 16 bytes at `a` are the id `b` (`a` comes from the host: null is no match).
inline bool SameUid(const void* a, const TUID& b)
{
    if (!a) return false;
    const char* p = static_cast<const char*>(a);
    for (int i = 0; i < 16; ++i)
        if (p[i] != b.bytes[i]) return false;
    return true;
}

// Media types, bus directions and types, sample sizes, process modes, speakers.
constexpr int32 kAudio = 0;
constexpr int32 kEvent = 1;
constexpr int32 kInput = 0;
constexpr int32 kOutput = 1;
constexpr int32 kMain = 0;
constexpr int32 kSample32 = 0;
constexpr int32 kSample64 = 1;
constexpr int32 kRealtime = 0;
constexpr int32 kOffline = 2;
constexpr SpeakerArrangement kStereo = 0x3;
constexpr SpeakerArrangement kMono = 0x80000;
constexpr uint32 kNoTail = 0;
constexpr uint32 kBusDefaultActive = 1;

// Parameter flags.
constexpr int32 kCanAutomate = 0x1;
constexpr int32 kIsReadOnly = 0x2;
constexpr int32 kIsList = 0x8;
constexpr int32 kIsBypass = 0x10000;

// restartComponent flags.
constexpr int32 kParamValuesChanged = 0x4;
constexpr int32 kLatencyChanged = 0x8;
constexpr int32 kParamTitlesChanged = 0x10;

// Factory flags and class cardinality.
constexpr int32 kFactoryUnicode = 16;
constexpr int32 kManyInstances = 0x7FFFFFFF;

// ProcessContext state bits and the matching requirement flags.
constexpr uint32 kPlaying = 0x2;
constexpr uint32 kRecording = 0x8;
constexpr uint32 kProjectTimeMusicValid = 0x200;
constexpr uint32 kTempoValid = 0x400;
constexpr uint32 kBarPositionValid = 0x800;
constexpr uint32 kTimeSigValid = 0x2000;
constexpr uint32 kNeedProjectTimeMusic = 0x4;
constexpr uint32 kNeedBarPositionMusic = 0x8;
constexpr uint32 kNeedTempo = 0x40;
constexpr uint32 kNeedTimeSignature = 0x80;
constexpr uint32 kNeedTransportState = 0x400;

// IBStream seek modes.
constexpr int32 kSeekSet = 0;
constexpr int32 kSeekCur = 1;
constexpr int32 kSeekEnd = 2;
} // namespace vst3

// Method attribute of the interface: ignored on x64 Windows (one convention), none on Linux.
#ifdef _WIN32
#define VST3_API __stdcall
#else
#define VST3_API
#endif
