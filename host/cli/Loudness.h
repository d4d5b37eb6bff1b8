#pragma once
// EBU R128 loudness of a stream, measured with libebur128: integrated loudness (LUFS) and
// loudness range (LU).

#include <string>

#include <ebur128.h>

class CLoudnessMeter
{
public:
    // `channels` is 1 or 2; a mono stream is measured as one channel.
    CLoudnessMeter(int channels, int sampleRate);
    ~CLoudnessMeter();
    CLoudnessMeter(const CLoudnessMeter&) = delete;
    CLoudnessMeter& operator=(const CLoudnessMeter&) = delete;

    // Adds frames from two channel buffers (only the left one when measuring mono).
    void add(const float* left, const float* right, int frames);
    // Integrated loudness in LUFS; -inf for silence or a stream too short to gate.
    double integrated() const;
    // Loudness range in LU; 0 when there is too little material.
    double range() const;

    // "-23.0 LUFS" / "-inf LUFS".
    static std::string formatLufs(double lufs);

private:
    ebur128_state* state_ = nullptr;
    int channels_;
    float interleaved_[2 * 1024];
};
