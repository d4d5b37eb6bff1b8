#pragma once
// The static gain for a loudness target when a true-peak limiter follows it. The limiter takes
// a little loudness off the peaks it lowers, so the gain that meets the target is found by
// predicting the limited loudness for a trial gain and correcting the gain by the shortfall
// (secant steps, a few at most), all from what the first pass kept (CPeakEnvelope):
//  - the limiter itself runs over the true-peak envelope, giving the very gains the second
//    pass will apply, and skips the stretches it cannot touch;
//  - each frame's K-weighted energy is scaled by the square of its gain (the gain moves slowly
//    next to the K-weighting's response, so weighting then gaining is gaining then weighting);
//  - the integrated loudness is gated from the 100 ms hops so obtained.
// No audio is read and nothing is measured a second time.

#include "host/cli/TruePeakLimiter.h"

#include <vector>

class CPeakEnvelope;

// The limiter's gain frame by frame for one static gain, from the kept envelope. Stretches it
// cannot touch (at rest, nothing above the ceiling coming) are answered without the work.
class CLimiterGains
{
  public:
    CLimiterGains(const CPeakEnvelope& envelope, int sampleRate, double staticGainDb,
                  double ceilingDb);
    // Would the limiter act anywhere?
    bool acts() const;
    // The gains in dB of the next `n` frames; false when they are all exactly 0.
    bool next(long long n, double* gainsDb);

  private:
    const CPeakEnvelope& envelope;
    CTruePeakLimiter limiter;
    double gain;
    long long frame = 0; // the next gain's
};

struct LimitedGain
{
    double gainDb = 0;
    double predictedLufs = 0; // the integrated loudness expected after the limiter
    bool limits = false;      // the limiter will act at this gain
    int trials = 0;           // predictions made
};

// The gain that brings the levelled audio to `targetLufs` through the limiter, at most
// `maxExtraDb` above the one the target needs without it.
LimitedGain chooseLimitedGain(const CPeakEnvelope& envelope, int sampleRate, double targetLufs,
                              double limiterCeilingDb, double maxExtraDb);
