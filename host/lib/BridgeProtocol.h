#pragma once
// The messages between quar2-host (Linux) and quar2-bridge.exe (Windows, under Wine) over the
// bridge's standard input and output. Both ends are little-endian x86-64, so values travel in
// their native byte order.
//
//   request:  u32 command, u32 payload size, payload
//   response: u32 status (kStatusOk or kStatusError), u32 payload size, payload
//
// An error response carries one text: the reason. Right after start-up, before any request, the
// bridge sends one response to kHello: the loaded plug-in's description, or why it could not be
// loaded. Payload values are written with CMessageWriter and read with CMessageReader, which
// checks every read against the payload's size.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

constexpr uint32_t kBridgeProtocolVersion = 1;
// No payload may exceed this: it bounds what a bad size field can make either side allocate
// (an hour of stereo float audio at 48 kHz is about 1.4 GB, so audio goes in blocks).
constexpr uint32_t kMaxPayload = 256u << 20;

enum BridgeCommand : uint32_t
{
    kHello = 1,        // -> u32 version, plug-in description (see writeInfo)
    kInfo,             // -> plug-in description
    kText,             // i32 opcode, i32 index -> string (names, labels, display texts)
    kGetParameter,     // i32 index -> f32
    kSetParameter,     // i32 index, f32 value
    kSetProgramName,   // string
    kGetChunk,         // i32 isPreset -> bytes (empty: no chunk)
    kSetChunk,         // i32 isPreset, bytes
    kSetSampleRate,    // f32
    kSetBlockSize,     // i32
    kResume,           //
    kSuspend,          //
    kProcess,          // i32 frames, floats left, floats right -> i32 latency, floats, floats
    kTimeProcessing,   // i32 block, floats left, floats right -> f64 seconds
    kEditorOpen,       // -> i32 width, i32 height
    kEditorIdle,       // i32 milliseconds
    kEditorCapture,    // -> i32 width, i32 height, bytes RGB rows top first
    kEditorClose,      //
    kQuit,             // the bridge answers, closes the plug-in and exits
    kEditorPaintTimes, // -> floats: milliseconds per editor paint since the last ask
};

enum BridgeStatus : uint32_t
{
    kStatusOk = 0,
    kStatusError = 1,
};

class CMessageWriter
{
  public:
    void u32(uint32_t v) { raw(&v, 4); }
    void i32(int32_t v) { raw(&v, 4); }
    void f32(float v) { raw(&v, 4); }
    void f64(double v) { raw(&v, 8); }
    void text(const std::string& s)
    {
        u32(uint32_t(s.size()));
        raw(s.data(), s.size());
    }
    void bytes(const uint8_t* data, size_t size)
    {
        u32(uint32_t(size));
        raw(data, size);
    }
    void floats(const float* data, size_t count)
    {
        u32(uint32_t(count));
        raw(data, count * sizeof(float));
    }
    const std::vector<uint8_t>& data() const { return payload; }
    void clear() { payload.clear(); }

  private:
    void raw(const void* p, size_t n)
    {
        const uint8_t* b = static_cast<const uint8_t*>(p);
        payload.insert(payload.end(), b, b + n);
    }
    std::vector<uint8_t> payload;
};

// Reads values in order; any read past the end sets failed() and answers zero or empty.
class CMessageReader
{
  public:
    CMessageReader(const uint8_t* data, size_t size) : payload(data), payloadSize(size) {}
    uint32_t u32()
    {
        uint32_t v = 0;
        raw(&v, 4);
        return v;
    }
    int32_t i32()
    {
        int32_t v = 0;
        raw(&v, 4);
        return v;
    }
    float f32()
    {
        float v = 0;
        raw(&v, 4);
        return v;
    }
    double f64()
    {
        double v = 0;
        raw(&v, 8);
        return v;
    }
    std::string text()
    {
        const uint32_t n = u32();
        if (!fits(n)) return {};
        std::string s(reinterpret_cast<const char*>(payload + at), n);
        at += n;
        return s;
    }
    std::vector<uint8_t> bytes()
    {
        const uint32_t n = u32();
        if (!fits(n)) return {};
        std::vector<uint8_t> v(n);
        if (n > 0) std::memcpy(v.data(), payload + at, n);
        at += n;
        return v;
    }
    // A float array, copied out (the message holds it at any byte offset, so it is not read in
    // place). `out` is resized to the count; empty on failure.
    void floats(std::vector<float>& out)
    {
        const uint32_t count = u32();
        if (overrun || size_t(count) > (payloadSize - at) / sizeof(float))
        {
            overrun = true;
            out.clear();
            return;
        }
        out.resize(count);
        if (count > 0) std::memcpy(out.data(), payload + at, size_t(count) * sizeof(float));
        at += size_t(count) * sizeof(float);
    }
    bool failed() const { return overrun; }

  private:
    bool fits(size_t n)
    {
        if (overrun || n > payloadSize - at)
        {
            overrun = true;
            return false;
        }
        return true;
    }
    void raw(void* p, size_t n)
    {
        if (!fits(n))
        {
            std::memset(p, 0, n);
            return;
        }
        std::memcpy(p, payload + at, n);
        at += n;
    }
    const uint8_t* payload;
    size_t payloadSize;
    size_t at = 0;
    bool overrun = false;
};
