#pragma once
// Helpers for the end-to-end tests of quar2-host: a scratch folder, running the program, and
// making and reading small audio files with libsndfile.

#include <sndfile.h>
#include <string>
#include <vector>

struct RunResult
{
    int status = -1; // exit status, -1 when it did not exit normally
    std::string out; // standard output
    std::string err; // standard error
};

// Runs quar2-host (or another program when `program` is given) with `args`, no shell involved;
// standard input is `stdinPath` (default /dev/null).
RunResult RunHost(const std::vector<std::string>& args, const std::string& program = {},
                  const std::vector<std::string>& env = {}, const std::string& stdinPath = {});

// A fresh folder under /tmp, removed with everything in it when the object goes.
class CScratchDir
{
  public:
    CScratchDir();
    ~CScratchDir();
    std::string path(const std::string& name) const { return folder + "/" + name; }
    // Names of the entries, sorted.
    std::vector<std::string> entries() const;

  private:
    std::string folder;
};

struct Audio
{
    int rate = 48000;
    int channels = 2;
    int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    std::vector<float> samples; // interleaved
    long long frames() const { return channels ? (long long)(samples.size()) / channels : 0; }
};

bool WriteAudio(const std::string& path, const Audio& audio);
bool ReadAudio(const std::string& path, Audio& audio);
std::string ReadText(const std::string& path);
std::vector<unsigned char> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes);

// ffmpeg's ebur128 filter on `path`, with true and sample peaks: its whole text output.
std::string FfmpegLoudness(const std::string& path);
// The summary value after `key` ("I:", "LRA:") in that output; for the peaks, the value after
// "Peak:" in the section named `key` ("True peak:", "Sample peak:"). NaN when absent.
double FfmpegSummary(const std::string& text, const std::string& key);

// Speech made with espeak-ng and sox, in `dir`: `name` is `text` spoken, peak-normalised to -1
// dBFS, then `gainDb`, with `pause` seconds of silence after it, at 48 kHz (stereo unless
// `mono`) in 16-bit WAV. False when either program fails.
bool MakeSpeech(const std::string& dir, const std::string& name, const std::string& text,
                double gainDb, double pause, bool mono = false);
