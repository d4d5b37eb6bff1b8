#include "tests/effect/LevellerDriver.h"

#include <algorithm>

double CFakeHost::getTempo()
{
    ++timeRequests;
    return tempo;
}

void CFakeHost::getTempoAndTimeSig(double& t, double& num, double& den)
{
    ++timeRequests;
    t = tempo;
    num = numerator;
    den = denominator;
}

bool CFakeHost::isPlaying()
{
    ++timeRequests;
    return playing;
}

bool CFakeHost::isRecording()
{
    ++timeRequests;
    return recording;
}

double CFakeHost::getPpqPosition()
{
    ++timeRequests;
    return ppq;
}

int32_t CFakeHost::setLatency(int32_t frames)
{
    ++latencyCalls;
    lastLatency = frames;
    return 1;
}

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
    effect.sliders[static_cast<size_t>(number)] = value;
    effect.DoSlider();
}

void CLevellerDriver::ProcessFloat(const float* inL, const float* inR, float* outL, float* outR,
                                   int32_t n)
{
    effect.DoBlock();
    for (int32_t i = 0; i < n; ++i)
    {
        effect.samples[0] = inL[i];
        effect.samples[1] = inR[i];
        effect.DoSample();
        outL[i] = static_cast<float>(effect.samples[0]);
        outR[i] = static_cast<float>(effect.samples[1]);
    }
}

void CLevellerDriver::ProcessDouble(const double* inL, const double* inR, double* outL,
                                    double* outR, int32_t n)
{
    effect.DoBlock();
    for (int32_t i = 0; i < n; ++i)
    {
        effect.samples[0] = inL[i];
        effect.samples[1] = inR[i];
        effect.DoSample();
        outL[i] = effect.samples[0];
        outR[i] = effect.samples[1];
    }
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
