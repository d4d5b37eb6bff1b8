#pragma once
// The second pass of a loudness target: the levelled audio the first pass kept, one static
// gain, then (unless --limiter off) the true-peak limiter, handed frame-aligned to `emit`.

#include "host/cli/Report.h"

#include <functional>
#include <string>

class CPeakEnvelope;

// The true-peak ceiling the gain and the limiter aim below. The interpolators of our envelope
// and of other meters (ffmpeg's ebur128 resamples to 192 kHz with a longer filter) read
// inter-sample peaks a few hundredths of a dB apart, and the limiter's gain, though flat
// around each peak, still moves across the far taps of a meter's filter; 0.1 dB covers both
// with room to spare and costs no audible loudness.
constexpr double kTruePeakMarginDb = 0.1;
// The limiter may take at most this much loudness back from the static gain.
constexpr double kMostLimiterGainDb = 12.0;

struct KeptAudio
{
    int fd = -1; // interleaved 32-bit floats, `channels` per frame
    long long frames = 0;
    int channels = 2;
    int sampleRate = 48000;
};

using EmitFrames = std::function<bool(const float* left, const float* right, int frames)>;

// Chooses the static gain for `target` from what the first pass kept of the levelled audio,
// records it and what the limiter did in `report`, and emits the output in blocks of `block`
// frames. False with the reason (naming `input` or `output`).
bool writeLoudnessTarget(const LoudnessTarget& target, const KeptAudio& kept,
                         const CPeakEnvelope& envelope, int block, const EmitFrames& emit,
                         const std::string& input, const std::string& output, FileReport& report,
                         std::string& error);
