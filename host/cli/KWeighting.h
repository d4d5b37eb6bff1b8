#pragma once
// The K-weighting of ITU-R BS.1770 (a high shelf of +4 dB above about 1.7 kHz, then a
// high-pass near 38 Hz), as loudness meters apply it before squaring, at any sample rate.

class CKWeighting
{
  public:
    CKWeighting(int channels, int sampleRate);
    // Writes, for every frame, the sum over the channels of the squared K-weighted sample.
    void add(const float* left, const float* right, int frames, float* energy);

  private:
    struct Biquad
    {
        double b0, b1, b2, a1, a2;
    };
    Biquad shelf, highPass;
    int channelCount;
    double state[2][4] = {}; // per channel: the shelf's and the high-pass's two states
};
