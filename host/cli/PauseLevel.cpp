#include "host/cli/PauseLevel.h"

#include <algorithm>
#include <cmath>

namespace
{

constexpr double kQuietShare = 0.15; // the quietest blocks that stand for the pauses

float median(std::vector<float> values)
{
    const auto middle = values.begin() + long(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

} // namespace

double pausesBelowSpeech(const std::vector<float>& windowLufs, double integratedLufs)
{
    if (!std::isfinite(integratedLufs) || windowLufs.size() < 2) return NAN;
    std::vector<float> sorted = windowLufs;
    std::sort(sorted.begin(), sorted.end());
    const size_t quiet = std::max<size_t>(1, size_t(double(sorted.size()) * kQuietShare));
    const double pauses = median(std::vector<float>(sorted.begin(), sorted.begin() + long(quiet)));
    const double speech =
        median(std::vector<float>(sorted.begin() + long(sorted.size() / 2), sorted.end()));
    // Digital silence in the pauses: as far below as it goes.
    if (!std::isfinite(pauses)) return -HUGE_VAL;
    return pauses - speech;
}
