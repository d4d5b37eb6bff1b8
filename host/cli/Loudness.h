#pragma once
// EBU R128 loudness of a stream, measured with libebur128: integrated loudness (LUFS), loudness
// range (LU) as EBU Tech 3342 defines it, and the true peak.
//
// The loudness range is computed here from the short-term loudness (3 s window) every 100 ms,
// as Tech 3342 asks (at least ten a second); libebur128's own range adds a short-term block
// only once a second and differs from other meters by several LU on speech. The short-term
// loudness is the mean of the last thirty 100 ms windows libebur128 measures, the same value
// as its own short-term loudness at a thirtieth of the cost. The true peak is our own
// interpolator's (CTruePeakDetector), several times faster than libebur128's.

#include "host/cli/TruePeakDetector.h"

#include <memory>
#include <string>
#include <vector>

#include <ebur128.h>

class CLoudnessMeter
{
  public:
    // `channels` is 1 or 2; a mono stream is measured as one channel. `loudness` measures the
    // integrated loudness and the range; `truePeak` the true peak (4x oversampled, which costs
    // time).
    CLoudnessMeter(int channels, int sampleRate, bool loudness = true, bool truePeak = false);
    ~CLoudnessMeter();
    CLoudnessMeter(const CLoudnessMeter&) = delete;
    CLoudnessMeter& operator=(const CLoudnessMeter&) = delete;

    // Adds frames from two channel buffers (only the left one when measuring mono).
    void add(const float* left, const float* right, int frames);
    // Integrated loudness in LUFS; -inf for silence or a stream too short to gate.
    double integrated() const;
    // Loudness range in LU; 0 when there is too little material.
    double range() const;
    // Largest true peak of the channels as a linear level (1 = full scale); 0 unless measured.
    double truePeak() const;
    // Largest sample of the channels as a linear level; 0 unless the true peak is measured.
    double samplePeak() const;
    // Largest momentary (400 ms) and short-term (3 s) loudness in LUFS, read every 100 ms; the
    // windows are filled with silence before the stream's start (as libebur128 does). -inf
    // for silence or when not measuring loudness.
    double maxMomentary() const { return highestMomentary; }
    double maxShortTerm() const { return highestShortTerm; }
    // The noise floor in pauses, in LUFS: the 10th percentile of the momentary loudness of the
    // 400 ms blocks (every 100 ms) that lie below the integrated loudness's relative gate
    // (integrated - 10 LU), the blocks speech does not count in. -inf when the pauses are digital
    // silence; NaN when there are no pauses (or no speech to gate against).
    double noiseFloor() const;
    // The loudness of each 100 ms window (LUFS), for measures of their own (PauseLevel.h).
    const std::vector<float>& windows() const { return hopHistory; }

    // "-23.0 LUFS" / "-inf LUFS".
    static std::string formatLufs(double lufs);
    // A linear level in dB with a sign: "+5.5", "-0.3", "-inf".
    static std::string formatDb(double level);

  private:
    void addPiece(const float* left, const float* right, int frames);
    ebur128_state* state = nullptr;
    int channelCount;
    bool measureLoudness;
    long long hopFrames; // 100 ms
    long long fedFrames = 0;
    double hopEnergy[30] = {};            // mean square of the last thirty 100 ms windows (a ring)
    std::vector<double> shortTermHistory; // short-term loudness every 100 ms once 3 s are in
    std::vector<float> momentaryHistory;  // momentary loudness every 100 ms once 400 ms are in
    std::vector<float> hopHistory;        // loudness of each 100 ms window
    double highestMomentary;
    double highestShortTerm;
    std::unique_ptr<CTruePeakDetector> peaks;
    float interleaved[2 * 1024];
};
