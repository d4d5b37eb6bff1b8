#pragma once
// Audio files through libsndfile: every format it reads, written back in the format of the input.
// The host works on stereo: a mono file is played on both channels, and written back as mono
// from the left output (the two sides are equal when the plug-in's gain is common to both).

#include "host/cli/FileOutput.h"

#include <memory>
#include <sndfile.h>
#include <string>
#include <vector>

class CAudioReader
{
public:
    // Opens `path`; answers false with a one-line reason (missing, unreadable, unsupported,
    // more than two channels). [UI thread]
    bool open(const std::string& path, std::string& error);
    ~CAudioReader();

    int channels() const { return info_.channels; }
    int sampleRate() const { return info_.samplerate; }
    long long frames() const { return info_.frames; }
    const SF_INFO& info() const { return info_; }

    // Reads up to `frames` frames as two channel buffers; answers the frames read (0 at the end).
    int read(float* left, float* right, int frames);

private:
    SNDFILE* file_ = nullptr;
    SF_INFO info_{};
    std::vector<float> interleaved_;
};

class CAudioWriter
{
public:
    // Creates a temporary file beside `path` in the given format (sample rate, channels,
    // format code of the input). [UI thread]
    bool open(const std::string& path, const SF_INFO& format, std::string& error);
    ~CAudioWriter();

    // Writes frames from two channel buffers (only the left one for a mono file).
    bool write(const float* left, const float* right, int frames);
    // Finishes the file and renames it into place.
    bool commit(std::string& error);

private:
    std::unique_ptr<CPendingFile> pending_;
    SNDFILE* file_ = nullptr;
    SF_INFO info_{};
    std::string path_;
    std::vector<float> interleaved_;
};
