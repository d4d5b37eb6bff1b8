// quar2-host bench PLUGIN [PLUGIN ...]: the same minute of stereo speech-like audio at 48 kHz
// in 512-frame blocks through each plug-in, timed where the plug-in runs; for QUAR2 also the
// floor, its arithmetic as one plain loop (LevellerFloor.h), in the same run.

#include "host/cli/Commands.h"
#include "host/cli/LevellerFloor.h"
#include "host/lib/PluginInstance.h"
#include "host/cli/SpeechLikeSignal.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <vector>

namespace
{

constexpr int kRate = 48000;
constexpr int kBlock = 512;

std::string baseName(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// QUAR2.so, QUAR2.dll: the leveller whose arithmetic the floor row is.
bool isLeveller(const std::string& path)
{
    const std::string name = baseName(path);
    return name.size() >= 5 &&
           std::equal(name.begin(), name.begin() + 5, "QUAR2",
                      [](char a, char b)
                      { return std::toupper(static_cast<unsigned char>(a)) == b; });
}

} // namespace

int runBench(const BenchOptions& options)
{
    std::string error;
    const int seconds = options.seconds, runs = options.runs;

    const StereoSignal signal = makeSpeechLikeSignal(seconds, kRate);
    const long long frames = (long long)(signal.left.size());
    std::printf("%d s of stereo speech-like audio at %d Hz in %d-frame blocks, best of %d runs\n",
                seconds, kRate, kBlock, runs);
    std::printf("%-36s %12s %18s %8s\n", "plug-in", "ns/frame", "real-time factor", "ratio");
    // With QUAR2 among the plug-ins, a first row "floor" times the leveller's arithmetic alone,
    // as one plain loop, and every row's ratio is to it; otherwise the ratio is to the first row.
    double first = 0;
    const auto printRow = [&](const std::string& name, double best)
    {
        const double nsPerFrame = best * 1e9 / double(frames);
        const double factor = best / seconds; // processing time per second of audio
        if (first == 0) first = nsPerFrame;
        char rtf[64];
        std::snprintf(rtf, sizeof rtf, "%.5f (%.0fx)", factor, factor > 0 ? 1.0 / factor : 0.0);
        std::printf("%-36s %12.1f %18s %8.2f\n", name.c_str(), nsPerFrame, rtf,
                    first > 0 ? nsPerFrame / first : 0.0);
    };
    // Every row is timed once per round, the rounds one after another, and each keeps its best:
    // a slow spell of the machine then falls on every row alike instead of on one, so the
    // ratios within a run hold even when the machine is busy.
    const bool withFloor = std::any_of(options.plugins.begin(), options.plugins.end(), isLeveller);
    CLevellerFloor floor(kRate);
    if (withFloor)
        timeLevellerFloor(floor, signal.left.data(), signal.right.data(),
                          std::min<long long>(kRate, frames), kBlock);
    std::vector<std::unique_ptr<CPluginInstance>> plugins;
    for (const std::string& path : options.plugins)
    {
        std::unique_ptr<CPluginInstance> plugin = loadPlugin(path, error);
        if (!plugin) return reportFailure(error);
        plugin->setSampleRate(float(kRate));
        plugin->setBlockSize(kBlock);
        plugin->resume();
        // One second first, so that the plug-in's caches and lazy set-up are not timed.
        plugin->timeProcessing(signal.left.data(), signal.right.data(),
                               std::min<long long>(kRate, frames), kBlock);
        plugins.push_back(std::move(plugin));
    }
    double floorBest = -1;
    std::vector<double> best(plugins.size(), -1.0);
    for (int r = 0; r < runs; ++r)
    {
        if (withFloor)
        {
            const double s =
                timeLevellerFloor(floor, signal.left.data(), signal.right.data(), frames, kBlock);
            floorBest = floorBest < 0 ? s : std::min(floorBest, s);
        }
        for (size_t p = 0; p < plugins.size(); ++p)
        {
            CPluginInstance& plugin = *plugins[p];
            const double s =
                plugin.timeProcessing(signal.left.data(), signal.right.data(), frames, kBlock);
            if (s < 0 || plugin.failed())
                return reportFailure(plugin.failed()
                                         ? plugin.failure()
                                         : options.plugins[p] + ": processing could not be timed");
            best[p] = best[p] < 0 ? s : std::min(best[p], s);
        }
    }
    if (withFloor) printRow("floor", floorBest);
    for (size_t p = 0; p < plugins.size(); ++p)
    {
        plugins[p]->suspend();
        if (plugins[p]->failed()) return reportFailure(plugins[p]->failure());
        printRow(baseName(options.plugins[p]), best[p]);
    }
    return 0;
}
