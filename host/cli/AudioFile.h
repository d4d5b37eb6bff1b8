#pragma once
// Audio files through libsndfile: every format it reads; written in the format the output's
// name asks for (its extension, through libsndfile's format table), otherwise in the input's.
// The host works on stereo: a mono file is played on both channels, and written back as mono
// from the left output (the two sides are equal when the plug-in's gain is common to both).

#include "host/cli/FileOutput.h"

#include <memory>
#include <sndfile.h>
#include <string>
#include <utility>
#include <vector>

// Text tags (title, artist, comment, ...): libsndfile's string kind and the text.
using AudioTags = std::vector<std::pair<int, std::string>>;

class CAudioReader
{
  public:
    // Opens `path` ("-" reads standard input); answers false with a one-line reason (missing,
    // unreadable, unsupported, more than two channels). [UI thread]
    bool open(const std::string& path, std::string& error);
    ~CAudioReader();

    int channels() const { return fileInfo.channels; }
    int sampleRate() const { return fileInfo.samplerate; }
    long long frames() const { return fileInfo.frames; }
    const SF_INFO& info() const { return fileInfo; }
    // The file's text tags.
    AudioTags tags() const;

    // Reads up to `frames` frames as two channel buffers; answers the frames read (0 at the end).
    int read(float* left, float* right, int frames);

  private:
    SNDFILE* file = nullptr;
    SF_INFO fileInfo{};
    std::vector<float> interleaved;
};

// The format to write `outPath` in: the major format its extension names in libsndfile's
// table (the input's when the extension is absent or names the input's format), with the
// input's subtype where the new format has it, else the nearest the format offers. False with a
// reason for an extension libsndfile cannot write.
bool chooseOutputFormat(const std::string& outPath, const SF_INFO& input, SF_INFO& output,
                        std::string& error);
// True when the file name's extension is one libsndfile's tables know (wav, flac, ogg, ...):
// how the audio files in a folder are told from the rest.
bool hasAudioExtension(const std::string& path);
// "FLAC, 16-bit PCM": a format in words, for messages.
std::string describeFormat(int format);
// True for formats that store integer samples, where levels above full scale clip.
bool clipsAtFullScale(int format);

class CAudioWriter
{
  public:
    // Creates the output's temporary file in `format` and writes `tags` into it. [UI thread]
    bool open(const OutputTarget& target, const SF_INFO& format, const AudioTags& tags,
              std::string& error);
    ~CAudioWriter();

    // Writes frames from two channel buffers (only the left one for a mono file).
    bool write(const float* left, const float* right, int frames);
    // Finishes the audio file; the result is put in place by committing pending().
    bool finish(std::string& error);
    CPendingFile* pending() { return pendingFile.get(); }

  private:
    std::unique_ptr<CPendingFile> pendingFile;
    SNDFILE* file = nullptr;
    SF_INFO fileInfo{};
    std::string path;
    std::vector<float> interleaved;
};
