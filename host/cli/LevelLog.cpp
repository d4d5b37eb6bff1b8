#include "host/cli/LevelLog.h"

#include "host/cli/FileOutput.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{
// Below this input level the output/input ratio is noise and dither, not the plug-in's gain.
constexpr double kGainFloorDb = -70.0;

double toDb(double meanSquare)
{
    return meanSquare > 1e-20 ? 10.0 * std::log10(meanSquare) : -200.0;
}
} // namespace

void CLevelLog::accumulate(std::vector<double>& sums, int window, long long position,
                           const float* left, const float* right, int frames)
{
    for (int i = 0; i < frames; ++i)
    {
        const long long at = position + i;
        if (at < 0) continue;
        const size_t w = size_t(at / window);
        if (w >= sums.size()) sums.resize(w + 1, 0.0);
        sums[w] += 0.5 * (double(left[i]) * left[i] + double(right[i]) * right[i]);
    }
}

void CLevelLog::addInput(long long position, const float* left, const float* right, int frames)
{
    accumulate(input, framesPerWindow, position, left, right, frames);
}

void CLevelLog::addOutput(long long position, const float* left, const float* right, int frames)
{
    accumulate(output, framesPerWindow, position, left, right, frames);
}

std::string CLevelLog::csv(long long frames) const
{
    std::string csv = "time_s,input_dbfs,output_dbfs,gain_db\n";
    const long long windows = (frames + framesPerWindow - 1) / framesPerWindow;
    for (long long w = 0; w < windows; ++w)
    {
        const long long first = w * framesPerWindow;
        const long long count = std::min<long long>(framesPerWindow, frames - first);
        const double in = size_t(w) < input.size() ? input[size_t(w)] / double(count) : 0.0;
        const double out = size_t(w) < output.size() ? output[size_t(w)] / double(count) : 0.0;
        const double inDb = toDb(in);
        const double outDb = toDb(out);
        char line[128];
        if (inDb > kGainFloorDb)
            std::snprintf(line, sizeof line, "%.4f,%.2f,%.2f,%.2f\n",
                          double(first) / framesPerSecond, inDb, outDb, outDb - inDb);
        else
            std::snprintf(line, sizeof line, "%.4f,%.2f,%.2f,\n", double(first) / framesPerSecond,
                          inDb, outDb);
        csv += line;
    }
    return csv;
}

std::vector<double> CLevelLog::gainsDb(long long frames) const
{
    std::vector<double> gains;
    const long long windows = (frames + framesPerWindow - 1) / framesPerWindow;
    for (long long w = 0; w < windows && size_t(w) < input.size(); ++w)
    {
        const long long count = std::min<long long>(framesPerWindow, frames - w * framesPerWindow);
        const double inDb = toDb(input[size_t(w)] / double(count));
        const double out = size_t(w) < output.size() ? output[size_t(w)] / double(count) : 0.0;
        if (inDb > kGainFloorDb) gains.push_back(toDb(out) - inDb);
    }
    return gains;
}

bool CLevelLog::write(const std::string& path, long long frames, std::string& error) const
{
    const std::string text = csv(frames);
    return writeFileAtomically(path, text.data(), text.size(), error);
}
