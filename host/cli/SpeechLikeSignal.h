#pragma once
// A deterministic stereo signal with the level behaviour of speech, for benchmarks and editor
// pictures when no recording is given: voiced syllables (a harmonic source at a drifting pitch
// through two formant-like resonances), noisy consonants, pauses between words and phrases, and
// phrases at levels up to 24 dB apart, which is what a voice leveller has to even out.

#include <vector>

struct StereoSignal
{
    int sampleRate = 48000;
    std::vector<float> left;
    std::vector<float> right;
};

// `seconds` of speech-like audio at `sampleRate`; the same arguments give the same samples.
StereoSignal makeSpeechLikeSignal(double seconds, int sampleRate);
