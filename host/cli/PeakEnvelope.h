#pragma once
// What the first pass learns about the levelled audio for the second, measured once: for every
// frame its true-peak envelope (CTruePeakDetector) and its K-weighted energy (CKWeighting),
// kept in unlinked temporary files (8 bytes a frame) that are mapped back into memory when the
// pass is over; and per tick of about 1 ms the largest envelope value and the energy. From
// these the static gain is chosen and the limiter driven without reading the audio again
// (LimitedGain.h), and the levelled audio's integrated loudness is gated.

#include "host/cli/KWeighting.h"
#include "host/cli/TruePeakDetector.h"

#include <string>
#include <vector>

// Floats appended to an unlinked temporary file, then mapped for reading.
class CMappedFloats
{
  public:
    CMappedFloats() = default;
    ~CMappedFloats();
    CMappedFloats(const CMappedFloats&) = delete;
    CMappedFloats& operator=(const CMappedFloats&) = delete;
    bool open();                        // errno on failure
    bool append(const float* v, int n); // errno on failure
    bool map();                         // errno on failure
    const float* data() const { return mapped; }
    long long size() const { return count; }

  private:
    int fd = -1;
    std::vector<float> pending;
    long long count = 0;
    float* mapped = nullptr;
};

class CPeakEnvelope
{
  public:
    CPeakEnvelope(int channels, int sampleRate);

    // Creates the temporary files; false with the reason.
    bool open(std::string& error);
    // Adds levelled frames; false when a file cannot be written (errno tells why).
    bool add(const float* left, const float* right, int frames);
    // Writes the last values and maps the files; false with the reason.
    bool finish(std::string& error);

    // After finish(): one value per frame added.
    const float* envelope() const { return peakValues.data(); }
    const float* energy() const { return energyValues.data(); }
    long long frames() const { return energyValues.size(); }
    double truePeak() const { return detector.truePeak(); }
    int tickFrames() const { return tick; }
    long long hopFrames() const { return hop; }
    const std::vector<float>& tickPeaks() const { return peaks; }
    const std::vector<double>& tickEnergies() const { return energies; }
    // The mean K-weighted energy of every whole 100 ms hop.
    std::vector<double> hopEnergies() const;
    // The integrated loudness (LUFS) of the levelled audio.
    double integrated() const;

  private:
    bool storePeaks(const float* values, int n);
    CTruePeakDetector detector;
    CKWeighting weighting;
    int channelCount;
    long long hop;
    int tick;
    CMappedFloats peakValues, energyValues;
    long long peaksIn = 0, framesIn = 0;
    std::vector<float> peaks;
    std::vector<double> energies;
    std::vector<float> scratch;
};

// BS.1770's gated loudness (400 ms blocks every 100 ms, absolute gate -70 LUFS, relative gate
// 10 LU below) from the mean energies of 100 ms hops, each multiplied by `scale`.
double gatedLoudness(const std::vector<double>& hopEnergies, double scale);
