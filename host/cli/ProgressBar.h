#pragma once
// A one-line progress bar on standard error, shown only when standard error is a terminal and
// the job has already taken longer than a moment; it fits the terminal's width (read again at
// each redraw, so a resized window is followed), shows the time left, and is erased when the
// job ends.

#include <chrono>
#include <string>

class CProgressBar
{
  public:
    // `total`: units of work (frames); `label`: shown before the bar; `wanted`: false for -q.
    CProgressBar(long long total, std::string label, bool wanted = true);
    ~CProgressBar();
    void update(long long done);
    void finish();
    // Erases the bar for a moment (to print a line); the next update draws it again.
    void clear();

    // The line drawn for `fraction` done after `elapsedSeconds`, at most `columns` - 1 wide
    // (a line filling the last column would wrap on some terminals).
    static std::string render(const std::string& label, double fraction, double elapsedSeconds,
                              int columns);

  private:
    long long totalFrames;
    std::string barLabel;
    bool enabled;
    bool shown = false;
    std::chrono::steady_clock::time_point startTime;
    std::chrono::steady_clock::time_point lastDraw;
};
