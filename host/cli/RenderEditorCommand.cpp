// quar2-host render-editor PLUGIN OUT.png [--input FILE] [--seconds S] [--offline]: opens the
// plug-in's editor in a real window (a Windows .dll through the Wine bridge, a Linux .so in an
// X11 window of this process), plays audio through the plug-in in real time with the transport
// running (so its displays move), lets the editor paint as a host's idle calls would, and saves
// the window's pixels as PNG. It then reports how long the editor's paints took while the audio
// played (median, 90th and 99th percentile, worst): on Windows each paint message, timed in the
// bridge; on Linux each idle call in which the editor drew. With --offline the audio is
// processed first, as fast as it goes, and the editor is then shown at rest: the same state on
// every run and in both builds, for pictures that are compared.

#include "host/cli/AudioFile.h"
#include "host/cli/Commands.h"
#include "host/cli/ParameterSetter.h"
#include "host/lib/PluginInstance.h"
#include "host/cli/PngFile.h"
#include "host/cli/PresetTransfer.h"
#include "host/cli/SpeechLikeSignal.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace
{

constexpr int kBlock = 512;
constexpr int kIdleMs = 20; // about 50 idle calls per second, as hosts give editors
// How long an editor at rest paints before its picture is taken: enough frames at 30 per second
// for displays that settle over frames (a smoothed curve) to come to rest.
constexpr int kRestMs = 2500;

// The value below which `fraction` of the sorted times lie (nearest rank).
float percentile(const std::vector<float>& sorted, double fraction)
{
    const size_t rank = size_t(std::ceil(fraction * double(sorted.size())));
    return sorted[std::min(sorted.size() - 1, rank > 0 ? rank - 1 : 0)];
}

void reportPaintTimes(std::vector<float> ms, const char* when)
{
    if (ms.empty())
    {
        std::printf("paint times: the editor did not paint %s\n", when);
        return;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("paint times over %zu frames %s: median %.2f ms, 90th percentile %.2f ms, 99th "
                "percentile %.2f ms, worst %.2f ms\n",
                ms.size(), when, double(percentile(ms, 0.5)), double(percentile(ms, 0.9)),
                double(percentile(ms, 0.99)), double(ms.back()));
}

// One block of the audio, repeated from its start when it runs out.
void nextBlock(const StereoSignal& audio, size_t& position, float* left, float* right)
{
    for (int i = 0; i < kBlock; ++i)
    {
        left[i] = audio.left[position];
        right[i] = audio.right[position];
        position = (position + 1) % audio.left.size();
    }
}

} // namespace

int runRenderEditor(const RenderEditorOptions& options, const Verbosity& verbosity)
{
    std::string error;
    const int seconds = options.seconds;
    const std::string& pluginPath = options.plugin;
    const std::string& outPath = options.output;
    // The picture's path is checked before anything runs, like every output.
    OutputTarget target;
    if (!examineOutput(outPath, options.noClobber, target, error)) return reportFailure(error);
    std::vector<InputPath> inputs = {{"the plug-in", pluginPath}};
    if (!options.input.empty()) inputs.push_back({"the input", options.input});
    if (!options.preset.empty()) inputs.push_back({"the preset", options.preset});
    if (!checkDistinctFiles(inputs, {&target}, error)) return reportFailure(error);
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0')
        return reportFailure("render-editor needs an X display for the editor's window (run it "
                             "under xvfb-run)");

    // The audio: the given file (repeated if short) or generated speech.
    StereoSignal audio;
    if (!options.input.empty())
    {
        CAudioReader reader;
        if (!reader.open(options.input, error)) return reportFailure(error);
        audio.sampleRate = reader.sampleRate();
        std::vector<float> l(kBlock), r(kBlock);
        for (int n; (n = reader.read(l.data(), r.data(), kBlock)) > 0;)
        {
            audio.left.insert(audio.left.end(), l.begin(), l.begin() + n);
            audio.right.insert(audio.right.end(), r.begin(), r.begin() + n);
        }
        if (audio.left.empty()) return reportFailure(options.input + ": holds no audio");
    }
    else
    {
        audio = makeSpeechLikeSignal(seconds, 48000);
    }
    FxpProgram preset;
    if (!options.preset.empty() && !readFxpFile(options.preset, preset, error))
        return reportFailure(error);

    if (!isWindowsPlugin(pluginPath)) watchPluginFailures(pluginPath);
    std::unique_ptr<CPluginInstance> plugin = loadPlugin(pluginPath, error);
    if (!plugin) return reportFailure(error);
    plugin->setSampleRate(float(audio.sampleRate));
    plugin->setBlockSize(kBlock);
    if (!options.preset.empty() && !applyPreset(*plugin, preset, error))
        return reportFailure(options.preset + ": " + error);
    for (const std::string& setting : options.settings)
    {
        ParameterAssignment applied;
        if (!applyParameterSetting(*plugin, setting, applied, error)) return reportFailure(error);
        if (verbosity.level >= 2)
            std::printf("set %s = %s%s\n", applied.name.c_str(), applied.display.c_str(),
                        applied.note.empty() ? "" : (" (" + applied.note + ")").c_str());
    }
    plugin->resume();
    std::vector<float> outL(kBlock), outR(kBlock), inL(kBlock), inR(kBlock);
    const float* in[2] = {inL.data(), inR.data()};
    float* out[2] = {outL.data(), outR.data()};
    size_t position = 0;
    long long processed = 0;
    if (options.offline)
    {
        // Whole blocks only, so that every run processes exactly the same audio.
        const long long total = (long long)seconds * audio.sampleRate / kBlock * kBlock;
        for (; processed < total; processed += kBlock)
        {
            nextBlock(audio, position, inL.data(), inR.data());
            plugin->process(in, out, kBlock);
            if (plugin->failed()) return reportFailure(plugin->failure());
        }
    }
    int width = 0, height = 0;
    if (!plugin->openEditor(width, height))
        return reportFailure(pluginPath + ": " + plugin->failure());

    plugin->takeEditorPaintTimes(); // the opening paints are not part of the run
    std::vector<float> paintMs;
    if (options.offline)
    {
        plugin->idleEditor(kRestMs);
        paintMs = plugin->takeEditorPaintTimes();
    }
    else
    {
        // Real time: the editor's graph moves with the wall clock as well as with the audio.
        const auto start = std::chrono::steady_clock::now();
        for (;;)
        {
            const double elapsed =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (elapsed >= seconds) break;
            while (processed < (long long)(elapsed * audio.sampleRate))
            {
                nextBlock(audio, position, inL.data(), inR.data());
                plugin->process(in, out, kBlock);
                processed += kBlock;
            }
            plugin->idleEditor(kIdleMs);
            if (plugin->failed()) return reportFailure(plugin->failure());
        }
        paintMs = plugin->takeEditorPaintTimes();
        plugin->idleEditor(200); // one more paint after the last block
    }
    EditorImage image;
    if (!plugin->captureEditor(image)) return reportFailure(pluginPath + ": " + plugin->failure());
    plugin->closeEditor();
    plugin->suspend();
    if (plugin->failed()) return reportFailure(plugin->failure());
    if (!writePng(target, image, error)) return reportFailure(error);
    if (verbosity.level > 0)
        std::printf("editor %dx%d after %d s of audio: %s\n", image.width, image.height, seconds,
                    outPath.c_str());
    reportPaintTimes(paintMs, options.offline ? "after the audio" : "while the audio played");
    return 0;
}
