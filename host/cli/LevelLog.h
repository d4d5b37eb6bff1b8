#pragma once
// Per-block levels for plotting: the input's level, the output's level and the gain between
// them, over windows of aligned input and output frames. Written as CSV:
//   time_s,input_dbfs,output_dbfs,gain_db
// Levels are RMS over both channels in dB relative to full scale; the gain is left empty where
// the input is too quiet for the ratio to mean anything.

#include <string>
#include <vector>

class CLevelLog
{
  public:
    CLevelLog(int windowFrames, int sampleRate)
        : framesPerWindow(windowFrames), framesPerSecond(sampleRate)
    {
    }

    // Frame `position` of the input (0-based) and of the aligned output.
    void addInput(long long position, const float* left, const float* right, int frames);
    void addOutput(long long position, const float* left, const float* right, int frames);

    // The CSV text covering `frames` frames.
    std::string csv(long long frames) const;
    // The gain in dB of each window covering `frames` frames whose input is loud enough for
    // the ratio to mean anything (the CSV's gain column), in time order.
    std::vector<double> gainsDb(long long frames) const;
    // Writes the CSV through a temporary file.
    bool write(const std::string& path, long long frames, std::string& error) const;

  private:
    static void accumulate(std::vector<double>& sums, int window, long long position,
                           const float* left, const float* right, int frames);
    int framesPerWindow;
    int framesPerSecond;
    std::vector<double> input;
    std::vector<double> output;
};
