// quar2-host render-editor PLUGIN.dll OUT.png [--input FILE] [--seconds S]: opens the plug-in's
// editor in a real window through the Wine bridge, plays audio through the plug-in in real time
// with the transport running (so its displays move), lets the editor paint as a host's idle
// calls would, and saves the window's pixels as PNG. It then reports how long the editor's
// paints took while the audio played (median, 90th and 99th percentile, worst), timed in the
// bridge around each paint message, which is the path a host's message loop gives the editor.

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

// The value below which `fraction` of the sorted times lie (nearest rank).
float percentile(const std::vector<float>& sorted, double fraction)
{
    const size_t rank = size_t(std::ceil(fraction * double(sorted.size())));
    return sorted[std::min(sorted.size() - 1, rank > 0 ? rank - 1 : 0)];
}

void reportPaintTimes(std::vector<float> ms)
{
    if (ms.empty())
    {
        std::printf("paint times: the editor did not paint while the audio played\n");
        return;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("paint times over %zu frames while the audio played: median %.2f ms, 90th "
                "percentile %.2f ms, 99th percentile %.2f ms, worst %.2f ms\n",
                ms.size(), double(percentile(ms, 0.5)), double(percentile(ms, 0.9)),
                double(percentile(ms, 0.99)), double(ms.back()));
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
    int width = 0, height = 0;
    if (!plugin->openEditor(width, height))
        return reportFailure(pluginPath + ": " + plugin->failure());

    plugin->takeEditorPaintTimes(); // the opening paints are not part of the run
    // Real time: the editor's graph moves with the wall clock as well as with the audio.
    std::vector<float> outL(kBlock), outR(kBlock), inL(kBlock), inR(kBlock);
    const float* in[2] = {inL.data(), inR.data()};
    float* out[2] = {outL.data(), outR.data()};
    size_t position = 0;
    long long processed = 0;
    const auto start = std::chrono::steady_clock::now();
    for (;;)
    {
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (elapsed >= seconds) break;
        while (processed < (long long)(elapsed * audio.sampleRate))
        {
            for (int i = 0; i < kBlock; ++i)
            {
                inL[size_t(i)] = audio.left[position];
                inR[size_t(i)] = audio.right[position];
                position = (position + 1) % audio.left.size();
            }
            plugin->process(in, out, kBlock);
            processed += kBlock;
        }
        plugin->idleEditor(kIdleMs);
        if (plugin->failed()) return reportFailure(plugin->failure());
    }
    const std::vector<float> paintMs = plugin->takeEditorPaintTimes();
    plugin->idleEditor(200); // one more paint after the last block
    EditorImage image;
    if (!plugin->captureEditor(image)) return reportFailure(pluginPath + ": " + plugin->failure());
    plugin->closeEditor();
    plugin->suspend();
    if (plugin->failed()) return reportFailure(plugin->failure());
    if (!writePng(target, image, error)) return reportFailure(error);
    if (verbosity.level > 0)
        std::printf("editor %dx%d after %d s of audio: %s\n", image.width, image.height, seconds,
                    outPath.c_str());
    reportPaintTimes(paintMs);
    return 0;
}
