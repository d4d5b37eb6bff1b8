#pragma once
// What quar2-host needs from a loaded VST 2.4 plug-in, whether it runs in this process (a Linux
// .so) or in the Wine bridge (a Windows .dll). The commands are written against this interface
// only, so every command works the same through both.
//
// All calls come from the command's one thread; the bridge answers them in order. A call that
// fails because the plug-in's process died sets failed() and answers a neutral value; commands
// check failed() after each step and stop with failure().

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The effect record and the plug-in's self-description, as `info` prints them.
struct PluginInfo
{
    int32_t magic = 0;
    int32_t uniqueId = 0;
    int32_t version = 0;
    int32_t flags = 0;
    int32_t numPrograms = 0;
    int32_t numParams = 0;
    int32_t numInputs = 0;
    int32_t numOutputs = 0;
    int32_t initialDelay = 0; // latency in sample frames
    int32_t vendorVersion = 0;
    int32_t vstVersion = 0;
    int32_t category = 0;
    std::string effectName;
    std::string vendor;
    std::string product;
};

// Editor pixels as 8-bit RGB rows, top row first.
struct EditorImage
{
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

class CPluginInstance
{
  public:
    virtual ~CPluginInstance() = default;

    // [UI thread] Effect record fields and the name/version queries.
    virtual PluginInfo info() = 0;
    virtual std::string parameterName(int index) = 0;
    virtual std::string parameterLabel(int index) = 0;
    virtual std::string parameterDisplay(int index) = 0;
    virtual float getParameter(int index) = 0;
    virtual void setParameter(int index, float normalised) = 0;
    virtual std::string programName() = 0;
    virtual void setProgramName(const std::string& name) = 0;

    // [UI thread] State chunk (plug-ins with effFlagsProgramChunks). getChunk copies the
    // plug-in's buffer; false when the plug-in hands out none.
    virtual bool getChunk(bool isPreset, std::vector<uint8_t>& chunk) = 0;
    virtual void setChunk(bool isPreset, const std::vector<uint8_t>& chunk) = 0;

    // [UI thread] The host's set-up sequence: sample rate and block size while suspended, then
    // resume (effMainsChanged 1) before processing and suspend after.
    virtual void setSampleRate(float rate) = 0;
    virtual void setBlockSize(int frames) = 0;
    virtual void resume() = 0;
    virtual void suspend() = 0;

    // [audio thread] One block of stereo audio, at most the block size given. The instance
    // adapts the plug-in's own channel count (extra inputs silent, a mono output doubled) and
    // runs the transport as playing, advancing by the frames processed. `in` and `out` may not
    // be the same buffers.
    virtual void process(const float* const in[2], float* const out[2], int frames) = 0;
    // The reported latency (AEffect::initialDelay) as of the last call.
    virtual int latency() = 0;
    // [audio thread] Processes `frames` stereo frames in blocks of `block` (at most the block
    // size given) and answers the wall-clock seconds the processing calls took, measured where
    // the plug-in runs (so the bridge's pipe is not counted). Negative on failure.
    virtual double timeProcessing(const float* left, const float* right, long long frames,
                                  int block) = 0;

    // [UI thread] Editor in a real window (Win32 in the bridge, X11 in this process).
    // openEditor answers false (with a reason in failure()) where there is no editor or no
    // window can be made.
    virtual bool openEditor(int& width, int& height) = 0;
    // Lets the editor paint: idle calls and the window's message loop for `milliseconds`.
    virtual void idleEditor(int milliseconds) = 0;
    virtual bool captureEditor(EditorImage& image) = 0;
    virtual void closeEditor() = 0;
    // Milliseconds each editor paint took where the plug-in runs, in paint order, since the
    // last call (emptied by the call). Empty where the editor is not shown.
    virtual std::vector<float> takeEditorPaintTimes() { return {}; }

    // True once a call could not complete (the plug-in's process died, a protocol error).
    virtual bool failed() const = 0;
    virtual std::string failure() const = 0;
};

// Loads PLUGIN: a ".dll" through the Wine bridge, anything else in this process. On failure
// answers null with `error` set to one line naming the file and the reason.
std::unique_ptr<CPluginInstance> loadPlugin(const std::string& path, std::string& error);
// True for a ".dll", which runs in the Wine bridge's process rather than in this one.
bool isWindowsPlugin(const std::string& path);
