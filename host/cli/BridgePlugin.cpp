#include "host/cli/BridgePlugin.h"

#include "host/lib/BridgeInfo.h"
#include "host/lib/BridgeProtocol.h"
#include "host/cli/BridgeProcess.h"

#include "vst/AEffectX.h"

#include <algorithm>

namespace
{

// A Windows plug-in through quar2-bridge.exe. Every call is one request and one response; the
// first failure (the bridge died, or answered something malformed) is kept and every later
// call answers a neutral value.
class CBridgePlugin final : public CPluginInstance
{
  public:
    CBridgePlugin(std::unique_ptr<CBridgeProcess> process, const PluginInfo& info)
        : bridge(std::move(process)), knownInfo(info)
    {
    }
    ~CBridgePlugin() override
    {
        if (!failed()) request(kQuit);
    }

    PluginInfo info() override
    {
        if (request(kInfo))
        {
            CMessageReader r = reader();
            const PluginInfo fresh = readInfo(r);
            if (check(r)) knownInfo = fresh;
        }
        return knownInfo;
    }
    std::string parameterName(int index) override { return text(effGetParamName, index); }
    std::string parameterLabel(int index) override { return text(effGetParamLabel, index); }
    std::string parameterDisplay(int index) override { return text(effGetParamDisplay, index); }
    float getParameter(int index) override
    {
        writer.i32(index);
        if (!request(kGetParameter)) return 0.0f;
        CMessageReader r = reader();
        const float v = r.f32();
        return check(r) ? v : 0.0f;
    }
    void setParameter(int index, float normalised) override
    {
        writer.i32(index);
        writer.f32(normalised);
        request(kSetParameter);
    }
    std::string programName() override { return text(effGetProgramName, 0); }
    void setProgramName(const std::string& name) override
    {
        writer.text(name);
        request(kSetProgramName);
    }
    bool getChunk(bool isPreset, std::vector<uint8_t>& chunk) override
    {
        writer.i32(isPreset ? 1 : 0);
        if (!request(kGetChunk)) return false;
        CMessageReader r = reader();
        std::vector<uint8_t> bytes = r.bytes();
        if (!check(r) || bytes.empty()) return false;
        chunk = std::move(bytes);
        return true;
    }
    void setChunk(bool isPreset, const std::vector<uint8_t>& chunk) override
    {
        writer.i32(isPreset ? 1 : 0);
        writer.bytes(chunk.data(), chunk.size());
        request(kSetChunk);
    }
    void setSampleRate(float rate) override
    {
        writer.f32(rate);
        request(kSetSampleRate);
    }
    void setBlockSize(int frames) override
    {
        writer.i32(frames);
        request(kSetBlockSize);
    }
    void resume() override { request(kResume); }
    void suspend() override { request(kSuspend); }
    void process(const float* const in[2], float* const out[2], int frames) override
    {
        frames = std::max(frames, 0);
        writer.floats(in[0], size_t(frames));
        writer.floats(in[1], size_t(frames));
        if (request(kProcess))
        {
            CMessageReader r = reader();
            reportedLatency = r.i32();
            r.floats(outputLeft);
            r.floats(outputRight);
            if (check(r) && outputLeft.size() == size_t(frames) &&
                outputRight.size() == outputLeft.size())
            {
                std::copy(outputLeft.begin(), outputLeft.end(), out[0]);
                std::copy(outputRight.begin(), outputRight.end(), out[1]);
                return;
            }
            fail("the Wine bridge answered a malformed audio block");
        }
        std::fill(out[0], out[0] + frames, 0.0f);
        std::fill(out[1], out[1] + frames, 0.0f);
    }
    int latency() override { return reportedLatency; }
    double timeProcessing(const float* left, const float* right, long long frames,
                          int block) override
    {
        // Sent whole and timed inside the bridge, so the pipe is not part of the measurement.
        if (frames < 0 || uint64_t(frames) * 8 + 64 > kMaxPayload) return -1;
        writer.i32(block);
        writer.floats(left, size_t(frames));
        writer.floats(right, size_t(frames));
        if (!request(kTimeProcessing)) return -1;
        CMessageReader r = reader();
        const double seconds = r.f64();
        return check(r) ? seconds : -1;
    }
    bool openEditor(int& width, int& height) override
    {
        if (!request(kEditorOpen)) return false;
        CMessageReader r = reader();
        width = r.i32();
        height = r.i32();
        return check(r);
    }
    void idleEditor(int milliseconds) override
    {
        writer.i32(milliseconds);
        request(kEditorIdle);
    }
    bool captureEditor(EditorImage& image) override
    {
        if (!request(kEditorCapture)) return false;
        CMessageReader r = reader();
        image.width = r.i32();
        image.height = r.i32();
        image.rgb = r.bytes();
        if (!check(r)) return false;
        if (image.width <= 0 || image.height <= 0 ||
            image.rgb.size() != size_t(image.width) * size_t(image.height) * 3)
        {
            fail("the Wine bridge answered a malformed picture");
            return false;
        }
        return true;
    }
    void closeEditor() override { request(kEditorClose); }
    std::vector<float> takeEditorPaintTimes() override
    {
        std::vector<float> ms;
        if (!request(kEditorPaintTimes)) return ms;
        CMessageReader r = reader();
        r.floats(ms);
        if (!check(r)) ms.clear();
        return ms;
    }
    bool failed() const override { return !failureText.empty(); }
    std::string failure() const override { return failureText; }

  private:
    // Sends the request built in writer and waits for its response. A refusal (an error response)
    // is reported through failure() like a broken bridge: either way the command cannot go on.
    bool request(BridgeCommand command)
    {
        if (failed())
        {
            writer.clear();
            return false;
        }
        uint32_t status = 0;
        std::string error;
        const bool ok = bridge->exchange(command, writer.data(), status, response, error);
        writer.clear();
        if (!ok)
        {
            fail(error);
            return false;
        }
        if (status != kStatusOk)
        {
            CMessageReader r(response.data(), response.size());
            const std::string reason = r.text();
            fail(r.failed() || reason.empty() ? "the Wine bridge refused a request" : reason);
            return false;
        }
        return true;
    }
    std::string text(int32_t opcode, int index)
    {
        writer.i32(opcode);
        writer.i32(index);
        if (!request(kText)) return {};
        CMessageReader r = reader();
        std::string t = r.text();
        return check(r) ? t : std::string();
    }
    CMessageReader reader() const { return CMessageReader(response.data(), response.size()); }
    bool check(const CMessageReader& r)
    {
        if (r.failed()) fail("the Wine bridge answered a malformed message");
        return !r.failed();
    }
    void fail(const std::string& why)
    {
        if (failureText.empty()) failureText = why;
    }

    std::unique_ptr<CBridgeProcess> bridge;
    PluginInfo knownInfo;
    CMessageWriter writer;
    std::vector<uint8_t> response;
    std::string failureText;
    std::vector<float> outputLeft, outputRight; // the last block's output, reused between blocks
    int reportedLatency = 0;
};

} // namespace

std::unique_ptr<CPluginInstance> startBridgePlugin(const std::string& dllPath, std::string& error)
{
    std::unique_ptr<CBridgeProcess> process = CBridgeProcess::start(dllPath, error);
    if (!process) return nullptr;
    uint32_t status = 0;
    std::vector<uint8_t> hello;
    if (!process->receive(status, hello, error)) return nullptr;
    CMessageReader r(hello.data(), hello.size());
    if (status != kStatusOk)
    {
        const std::string reason = r.text();
        error = "cannot load plug-in " +
                (reason.empty() ? dllPath + ": the Wine bridge failed" : reason);
        return nullptr;
    }
    const uint32_t version = r.u32();
    const PluginInfo info = readInfo(r);
    if (r.failed() || version != kBridgeProtocolVersion)
    {
        error = dllPath + ": the Wine bridge speaks another protocol version (rebuild both)";
        return nullptr;
    }
    return std::make_unique<CBridgePlugin>(std::move(process), info);
}
