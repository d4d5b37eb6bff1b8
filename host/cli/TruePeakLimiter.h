#pragma once
// The gain of the true-peak limiter that follows the static gain of a loudness target: a
// look-ahead limiter driven by the true-peak envelope (CTruePeakDetector), one gain for both
// channels, so that the true peak of the output stays at or below the ceiling.
//
// How the gain is made, in dB, for frame n:
//  - the reduction each frame needs, t[k] = min(0, ceiling - envelope[k]);
//  - the least of those from kSpread frames before n to the end of the look-ahead, so that the
//    gain is already down at the peak and stays down across the interpolator's reach around it;
//  - a release that lets the gain back up with a 50 ms time constant (down at once, as the
//    look-ahead allows);
//  - two moving averages (3.75 ms, then 1.25 ms at 48 kHz) that turn each fall into an S-curve
//    5 ms long. An average over frames each needing at least the reduction of frame n is at
//    least that reduction, so the peak is always covered.
// The gain falls by at most (deepest reduction) / 180 dB per frame at 48 kHz: 0.05 dB for a
// 9 dB reduction, 0.1 dB for 18 dB. Where nothing needs reducing the gain is exactly 0 dB.

#include <cstddef>
#include <vector>

class CTruePeakLimiter
{
  public:
    // `ceilingDb` in dBTP (the caller subtracts the safety margin first).
    CTruePeakLimiter(int sampleRate, double ceilingDb);

    // Frames the envelope runs ahead of the gain: the first value fed belongs to the frame
    // lookAhead() frames after the first gain's.
    int lookAhead() const { return ahead; }
    // Feeds the next envelope value (linear, after the static gain); answers the next frame's
    // gain in dB (0 or below).
    double next(double envelope);
    // True when no reduction is pending: feeding values at or below the ceiling then keeps
    // answering exactly 0 dB, which skip() does without the work.
    bool atRest() const
    {
        return minimaCount == 0 && released == 0 && nonZero1 == 0 && nonZero2 == 0;
    }
    void skip(long long frames) { position += frames; }
    double ceiling() const { return ceilingLinear; }

  private:
    double ceilingLinear, ceilingLog;
    int spread, average1, average2, window, ahead;
    double release;
    long long position = 0;
    // The least reduction over the window: a ring of (position, value) with rising values.
    std::vector<long long> minimaAt;
    std::vector<double> minimaValue;
    size_t minimaFirst = 0, minimaCount = 0;
    double released = 0;
    std::vector<double> ring1, ring2;
    size_t at1 = 0, at2 = 0;
    double sum1 = 0, sum2 = 0;
    int nonZero1 = 0, nonZero2 = 0;
};

// What the limiter did to one file, from its gain frame by frame.
struct LimiterSummary
{
    bool enabled = false; // a loudness target with the limiter on
    double ceilingDb = 0; // the ceiling it held, margin included
    double deepestDb = 0; // the largest reduction, as a negative dB figure
    double addedDb = 0;   // static gain added for the loudness the limiter takes
    long long reducing = 0, frames = 0;
    long long passages = 0; // stretches of reduction
    bool acted() const { return reducing > 0; }
    double share() const { return frames > 0 ? double(reducing) / double(frames) : 0; }
    void add(double gainDb)
    {
        if (gainDb < 0)
        {
            passages += inPassage ? 0 : 1;
            ++reducing;
            deepestDb = gainDb < deepestDb ? gainDb : deepestDb;
        }
        inPassage = gainDb < 0;
        ++frames;
    }
    void addUnreduced(long long n)
    {
        frames += n;
        inPassage = inPassage && n == 0;
    }

  private:
    bool inPassage = false;
};
