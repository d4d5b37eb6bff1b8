// quar2-bridge.exe DLL: loads a Windows VST 2.4 plug-in under Wine and serves quar2-host's
// requests over standard input and output (see BridgeProtocol.h). Standard error carries only
// diagnostics. The program ends when the host says kQuit or closes its end of the pipe.

#include "host/lib/EditorHostWindow.h"
#include "host/lib/BridgeInfo.h"
#include "host/lib/BridgeProtocol.h"
#include "host/lib/ChannelAdapter.h"
#include "host/lib/LoadedPlugin.h"
#include "host/lib/ProcessTiming.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <memory>
#include <vector>

namespace
{

HANDLE requests = INVALID_HANDLE_VALUE;
HANDLE responses = INVALID_HANDLE_VALUE;

bool readAll(void* data, size_t size)
{
    char* p = static_cast<char*>(data);
    while (size > 0)
    {
        DWORD got = 0;
        const DWORD want = DWORD(std::min<size_t>(size, 1u << 30));
        if (!ReadFile(requests, p, want, &got, nullptr) || got == 0) return false;
        p += got;
        size -= got;
    }
    return true;
}

bool writeAll(const void* data, size_t size)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0)
    {
        DWORD put = 0;
        const DWORD want = DWORD(std::min<size_t>(size, 1u << 30));
        if (!WriteFile(responses, p, want, &put, nullptr) || put == 0) return false;
        p += put;
        size -= put;
    }
    return true;
}

bool respond(uint32_t status, const std::vector<uint8_t>& payload)
{
    const uint32_t header[2] = {status, uint32_t(payload.size())};
    return writeAll(header, sizeof header) && writeAll(payload.data(), payload.size());
}

bool respondError(const std::string& reason)
{
    CMessageWriter w;
    w.text(reason);
    return respond(kStatusError, w.data());
}

// A crash in the plug-in ends the bridge at once with one line on standard error, instead of
// Wine's debugger output or a crash dialog that would wait for a click nobody can give.
LONG WINAPI reportCrash(EXCEPTION_POINTERS* info)
{
    const EXCEPTION_RECORD* r = info != nullptr ? info->ExceptionRecord : nullptr;
    std::fprintf(stderr, "the plug-in crashed (exception 0x%08lX at %p)\n",
                 r != nullptr ? static_cast<unsigned long>(r->ExceptionCode) : 0ul,
                 r != nullptr ? r->ExceptionAddress : nullptr);
    std::fflush(stderr);
    ExitProcess(3);
    return EXCEPTION_EXECUTE_HANDLER;
}

// The standard output handle belongs to the protocol: anything the plug-in or the C runtime
// prints must go to standard error instead, or it would corrupt the stream.
void claimStandardHandles()
{
    requests = GetStdHandle(STD_INPUT_HANDLE);
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DuplicateHandle(GetCurrentProcess(), out, GetCurrentProcess(), &responses, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    SetStdHandle(STD_OUTPUT_HANDLE, GetStdHandle(STD_ERROR_HANDLE));
    _dup2(_fileno(stderr), _fileno(stdout));
    _setmode(_fileno(stdin), _O_BINARY);
}

class CBridge
{
  public:
    explicit CBridge(std::unique_ptr<CLoadedPlugin> loaded) : loadedPlugin(std::move(loaded))
    {
        const AEffect* e = plugin().effect();
        channels.prepare(e->numInputs, e->numOutputs, 1024);
    }

    // Serves one request; false when the bridge should end.
    bool serve(uint32_t command, CMessageReader& r)
    {
        CMessageWriter w;
        std::string error;
        switch (command)
        {
        case kInfo:
            writeInfo(w, loadedPlugin->describe());
            break;
        case kText:
        {
            const int32_t opcode = r.i32();
            const int32_t index = r.i32();
            // Only the text requests: any other opcode could make the plug-in write through a
            // pointer we do not own.
            if (opcode != effGetParamName && opcode != effGetParamLabel &&
                opcode != effGetParamDisplay && opcode != effGetProgramName)
                return respondError("not a text request");
            w.text(plugin().text(opcode, index));
            break;
        }
        case kGetParameter:
            w.f32(plugin().getParameter(r.i32()));
            break;
        case kSetParameter:
        {
            const int32_t index = r.i32();
            plugin().setParameter(index, r.f32());
            break;
        }
        case kSetProgramName:
            plugin().setProgramName(r.text().substr(0, kVstMaxProgNameLen - 1));
            break;
        case kGetChunk:
        {
            const std::vector<uint8_t> chunk = plugin().getChunk(r.i32() != 0);
            w.bytes(chunk.data(), chunk.size());
            break;
        }
        case kSetChunk:
        {
            const bool preset = r.i32() != 0;
            const std::vector<uint8_t> chunk = r.bytes();
            if (!r.failed()) plugin().setChunk(chunk, preset);
            break;
        }
        case kSetSampleRate:
            plugin().setSampleRate(r.f32());
            break;
        case kSetBlockSize:
        {
            const int32_t frames = r.i32();
            if (frames < 1 || frames > 65536) return respondError("block size out of range");
            plugin().setBlockSize(frames);
            channels.prepare(plugin().effect()->numInputs, plugin().effect()->numOutputs, frames);
            outputAudio[0].assign(size_t(frames), 0.0f);
            outputAudio[1].assign(size_t(frames), 0.0f);
            break;
        }
        case kResume:
            plugin().resume();
            break;
        case kSuspend:
            plugin().suspend();
            break;
        case kProcess:
        {
            r.floats(inputAudio[0]);
            r.floats(inputAudio[1]);
            const size_t frames = inputAudio[0].size();
            if (r.failed() || inputAudio[1].size() != frames || int(frames) > channels.maxFrames())
                return respondError("bad audio block");
            if (outputAudio[0].size() < frames)
            {
                outputAudio[0].assign(frames, 0.0f);
                outputAudio[1].assign(frames, 0.0f);
            }
            const float* in[2] = {inputAudio[0].data(), inputAudio[1].data()};
            float* out[2] = {outputAudio[0].data(), outputAudio[1].data()};
            channels.process(plugin(), in, out, int(frames));
            loadedPlugin->host().clearRequests();
            w.i32(plugin().latency());
            w.floats(outputAudio[0].data(), frames);
            w.floats(outputAudio[1].data(), frames);
            break;
        }
        case kTimeProcessing:
        {
            const int32_t block = r.i32();
            r.floats(inputAudio[0]);
            r.floats(inputAudio[1]);
            if (r.failed() || inputAudio[0].size() != inputAudio[1].size())
                return respondError("bad audio for timing");
            w.f64(timeBlocks(channels, plugin(), loadedPlugin->host(), inputAudio[0].data(),
                             inputAudio[1].data(), (long long)(inputAudio[0].size()), block));
            break;
        }
        case kEditorOpen:
        {
            if (!editor.open(plugin(), error)) return respondError(error);
            w.i32(editor.width());
            w.i32(editor.height());
            break;
        }
        case kEditorIdle:
            editor.idle(std::clamp(r.i32(), 0, 60000));
            break;
        case kEditorCapture:
        {
            EditorImage image;
            if (!editor.capture(image.rgb, image.width, image.height, error))
                return respondError(error);
            w.i32(image.width);
            w.i32(image.height);
            w.bytes(image.rgb.data(), image.rgb.size());
            break;
        }
        case kEditorClose:
            editor.close();
            break;
        case kEditorPaintTimes:
        {
            const std::vector<double> ms = editor.takePaintTimes();
            const std::vector<float> narrow(ms.begin(), ms.end());
            w.floats(narrow.data(), narrow.size());
            break;
        }
        case kQuit:
            respond(kStatusOk, w.data());
            return false;
        default:
            return respondError("unknown request " + std::to_string(command));
        }
        if (r.failed()) return respondError("malformed request");
        return respond(kStatusOk, w.data());
    }

    void shutDown()
    {
        editor.close();
        loadedPlugin.reset();
    }

  private:
    CVstPlugin& plugin() { return loadedPlugin->plugin(); }
    std::unique_ptr<CLoadedPlugin> loadedPlugin;
    CChannelAdapter channels;
    CEditorHostWindow editor;
    std::vector<float> inputAudio[2]; // the last request's audio, kept to reuse its storage
    std::vector<float> outputAudio[2];
};

} // namespace

int main(int argc, char** argv)
{
    claimStandardHandles();
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(reportCrash);
    if (argc != 2)
    {
        respondError("usage: quar2-bridge.exe PLUGIN.dll");
        return 2;
    }
    std::string error;
    std::unique_ptr<CLoadedPlugin> loaded = CLoadedPlugin::load(argv[1], error);
    if (!loaded)
    {
        respondError(error);
        return 1;
    }
    CMessageWriter hello;
    hello.u32(kBridgeProtocolVersion);
    writeInfo(hello, loaded->describe());
    if (!respond(kStatusOk, hello.data())) return 1;
    CBridge bridge(std::move(loaded));
    std::vector<uint8_t> payload;
    for (;;)
    {
        uint32_t header[2];
        if (!readAll(header, sizeof header)) break; // the host went away
        if (header[1] > kMaxPayload)
        {
            respondError("request too large");
            break;
        }
        payload.resize(header[1]);
        if (!readAll(payload.data(), payload.size())) break;
        CMessageReader reader(payload.data(), payload.size());
        if (!bridge.serve(header[0], reader)) break;
    }
    bridge.shutDown();
    std::fflush(stderr);
    return 0;
}
