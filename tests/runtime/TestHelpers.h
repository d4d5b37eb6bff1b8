#pragma once
// Shared pieces of the runtime tests: a fake host adapter and scratch folders next to the test
// program (the runtime's library folder is the program's folder when it is linked statically).

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/XlatAdapter.h"

// Plays the host: answers set values and counts requests.
class FakeAdapter : public CXlatAdapter
{
public:
    int32_t getChannelCount() override { return channels; }
    int32_t getOutputChannelCount() override { return outputs; }
    double getSampleRate() override { return sampleRate; }
    int32_t getBlockSize() override { return blockSize; }
    double getTempo() override { return tempo; }
    void getTempoAndTimeSig(double& t, double& n, double& d) override
    {
        t = tempo;
        n = numerator;
        d = denominator;
    }
    bool isPlaying() override { return playing; }
    bool isRecording() override { return recording; }
    double getPpqPosition() override { return ppq; }
    double getBarStart() override { return barStart; }
    int32_t setLatency(int32_t frames) override
    {
        latency = frames;
        return 1;
    }
    int32_t redrawEditor() override
    {
        ++redraws;
        return 1;
    }
    bool getEditorSize(int32_t& w, int32_t& h) override
    {
        w = 430;
        h = 600;
        return true;
    }

    int32_t channels = 2, outputs = 2, blockSize = 512, latency = -1, redraws = 0;
    double sampleRate = 48000.0, tempo = 120.0, numerator = 3.0, denominator = 4.0, ppq = 7.5,
           barStart = 6.0;
    bool playing = true, recording = true;
};

// A fresh, empty folder inside the library folder, named after `stem` and the process id (so
// that parallel test programs never share one), removed again by the destructor.
class ScratchFolder
{
public:
    explicit ScratchFolder(const std::string& stem);
    ~ScratchFolder();
    // Name relative to the library folder (no trailing separator).
    const std::string& relative() const { return name; }
    // Full path with a trailing separator.
    std::string full() const;
    void addFile(const std::string& fileName, const std::string& contents = "x") const;
    void addFolder(const std::string& folderName) const;

private:
    std::string name;
};

// Bytes of a file, empty when it cannot be read.
std::vector<unsigned char> ReadFileBytes(const std::string& path);
// Last non-empty line of a text file, empty when there is none.
std::string LastLine(const std::string& path);
// A text unique to this run, for log lines and file names.
std::string UniqueTag(const std::string& stem);
