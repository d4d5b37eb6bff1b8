#pragma once
// The true peak of a stream as ITU-R BS.1770 defines it: the largest magnitude of the signal
// oversampled 4x (2x from 88.2 kHz, none from 176.4 kHz), which catches the peaks between the
// samples that a D/A converter or a lossy encoder reconstructs.
//
// The interpolator is a Kaiser-windowed sinc (16 taps per phase, beta 9) with its cutoff at the
// input's Nyquist frequency, the kind of filter ffmpeg's ebur128 meter resamples with, so that
// both read the same peaks on speech to a few hundredths of a dB. Its phase 0 is the input
// itself: the true peak is never below the sample peak.
//
// Besides the stream's peaks, the detector gives the envelope the limiter needs: for every
// frame n, the largest magnitude of either channel between frame n and frame n + 1 (the sample
// and the interpolated points after it). The envelope comes out kTaps / 2 frames late.

#include <vector>

class CTruePeakDetector
{
  public:
    static constexpr int kTaps = 16;
    static constexpr int kDelay = kTaps / 2;
    CTruePeakDetector(int channels, int sampleRate);

    // Adds frames of one or two channels (`right` is ignored for mono). When `envelope` is not
    // null, it receives one value per frame added, for the frames kDelay earlier (the first
    // kDelay values, before the stream's start, are left out: fewer values come back than
    // frames went in at first). Answers how many values were written. [any one thread]
    int add(const float* left, const float* right, int frames, float* envelope);
    // The last kDelay envelope values, as if silence followed. Answers how many (kDelay at most).
    int finish(float* envelope);

    double truePeak() const { return highestTrue; }     // linear, both channels
    double samplePeak() const { return highestSample; } // linear, both channels
    int oversampling() const { return factor; }

  private:
    int addPiece(const float* left, const float* right, int frames, float* envelope);
    int channelCount;
    int factor;
    std::vector<float> coefficients[3]; // phases 1..factor-1, kTaps each
    // Per channel: the last kTaps - 1 samples, then the piece being worked on.
    std::vector<float> history[2];
    std::vector<float> peaks; // per frame of the piece: the largest magnitude so far
    long long framesIn = 0;
    double highestTrue = 0, highestSample = 0;
};
