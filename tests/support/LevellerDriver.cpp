#include "tests/support/LevellerDriver.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "runtime/XlatParameters.h"

CLevellerDriver::CLevellerDriver(double sampleRate, int32_t blockSize, bool start)
{
    host.sampleRate = sampleRate;
    host.blockSize = blockSize;
    effect.adapter = &host;
    if (start)
    {
        Open();
        Resume();
    }
}

void CLevellerDriver::SetSlider(int32_t number, double value)
{
    for (int32_t index = 0; index < effect.SliderRecordCount(); ++index)
    {
        const SliderRecord& record = effect.sliderRecords[static_cast<size_t>(index)];
        if (record.number != number) continue;
        const double range = record.maximum - record.minimum;
        SetParameterValue(effect, index, range == 0.0 ? 0.0 : (value - record.minimum) / range);
        return;
    }
    ADD_FAILURE() << "slider " << number << " is no host parameter";
}

void CLevellerDriver::SetRawSlider(int32_t number, double value)
{
    effect.sliders[static_cast<size_t>(number)] = value;
    effect.NoteSliderChange();
    effect.DoSlider();
}

StereoBuffer CLevellerDriver::Run(const StereoBuffer& in, int32_t blockFrames)
{
    StereoBuffer out(in.Frames());
    const size_t step = static_cast<size_t>(std::max(blockFrames, 1));
    for (size_t at = 0; at < in.Frames(); at += step)
    {
        const int32_t n = static_cast<int32_t>(std::min(step, in.Frames() - at));
        ProcessDouble(&in.left[at], &in.right[at], &out.left[at], &out.right[at], n);
    }
    return out;
}

void CLevellerDriver::RunConstant(double left, double right, int32_t blockFrames, int32_t blocks,
                                  double* outL, double* outR)
{
    std::vector<double> l(static_cast<size_t>(blockFrames), left);
    std::vector<double> r(static_cast<size_t>(blockFrames), right);
    std::vector<double> ol(l.size()), orr(r.size());
    for (int32_t b = 0; b < blocks; ++b)
        ProcessDouble(l.data(), r.data(), ol.data(), orr.data(), blockFrames);
    if (outL != nullptr && blockFrames > 0) *outL = ol.back();
    if (outR != nullptr && blockFrames > 0) *outR = orr.back();
}
