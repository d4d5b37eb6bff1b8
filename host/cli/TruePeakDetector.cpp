#include "host/cli/TruePeakDetector.h"

#include <algorithm>
#include <cmath>

namespace
{

constexpr int kPiece = 1024;
constexpr double kBeta = 9.0;

double besselI0(double x)
{
    double sum = 1, term = 1;
    for (int k = 1; k < 40; ++k)
    {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
    }
    return sum;
}

// The windowed sinc at distance `d` (in input samples) from the point interpolated.
double kernel(double d)
{
    const double half = CTruePeakDetector::kTaps / 2.0;
    const double x = d / half;
    if (std::fabs(x) >= 1.0) return 0.0;
    const double sinc = d == 0.0 ? 1.0 : std::sin(M_PI * d) / (M_PI * d);
    return sinc * besselI0(kBeta * std::sqrt(1.0 - x * x)) / besselI0(kBeta);
}

} // namespace

CTruePeakDetector::CTruePeakDetector(int channels, int sampleRate)
    : channelCount(channels == 1 ? 1 : 2), factor(sampleRate < 88200    ? 4
                                                  : sampleRate < 176400 ? 2
                                                                        : 1)
{
    // Tap i of a window sits kDelay - 1 - i samples before the point's left neighbour.
    for (int k = 1; k < factor; ++k)
    {
        const double phase = double(k) / factor;
        std::vector<double> taps(kTaps);
        double sum = 0;
        for (int i = 0; i < kTaps; ++i)
            sum += taps[size_t(i)] = kernel(phase + double(kDelay - 1 - i));
        coefficients[k - 1].resize(kTaps);
        for (int i = 0; i < kTaps; ++i)
            coefficients[k - 1][size_t(i)] = float(taps[size_t(i)] / sum); // unity gain at DC
    }
    for (std::vector<float>& h : history)
        h.assign(size_t(kTaps - 1 + kPiece), 0.0f);
    peaks.assign(kPiece, 0.0f);
}

int CTruePeakDetector::add(const float* left, const float* right, int frames, float* envelope)
{
    int written = 0;
    for (int done = 0; done < frames;)
    {
        const int n = std::min(kPiece, frames - done);
        written += addPiece(left + done, right == nullptr ? nullptr : right + done, n,
                            envelope == nullptr ? nullptr : envelope + written);
        done += n;
    }
    return written;
}

int CTruePeakDetector::finish(float* envelope)
{
    const float silence[kDelay] = {};
    return addPiece(silence, silence, kDelay, envelope);
}

int CTruePeakDetector::addPiece(const float* left, const float* right, int frames, float* envelope)
{
    float* __restrict peak = peaks.data();
    std::fill(peak, peak + frames, 0.0f);
    float acc[kPiece];
    for (int c = 0; c < channelCount; ++c)
    {
        float* __restrict buffer = history[size_t(c)].data();
        const float* in = c == 0 || right == nullptr ? left : right;
        std::copy(in, in + frames, buffer + kTaps - 1);
        for (int n = 0; n < frames; ++n)
        {
            highestSample = std::max(highestSample, double(std::fabs(in[n])));
            peak[n] = std::max(peak[n], std::fabs(buffer[n + kDelay - 1]));
        }
        for (int k = 0; k + 1 < factor; ++k)
        {
            const float* __restrict h = coefficients[k].data();
            std::fill(acc, acc + frames, 0.0f);
            for (int i = 0; i < kTaps; ++i)
            {
                const float hi = h[i];
                const float* __restrict x = buffer + i;
                for (int n = 0; n < frames; ++n)
                    acc[n] += hi * x[n];
            }
            for (int n = 0; n < frames; ++n)
                peak[n] = std::max(peak[n], std::fabs(acc[n]));
        }
        std::copy(buffer + frames, buffer + frames + kTaps - 1, buffer);
    }
    float highest = 0;
    for (int n = 0; n < frames; ++n)
        highest = std::max(highest, peak[n]);
    highestTrue = std::max(highestTrue, double(highest));
    // Output n belongs to frame framesIn + n - kDelay; frames before the start are dropped.
    const int skip = int(std::clamp<long long>(kDelay - framesIn, 0, frames));
    framesIn += frames;
    if (envelope != nullptr) std::copy(peak + skip, peak + frames, envelope);
    return frames - skip;
}
