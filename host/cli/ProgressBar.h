#pragma once
// A one-line progress bar on standard error, shown only when standard error is a terminal and
// the job has already taken longer than a moment; it is erased when the job ends.

#include <chrono>
#include <string>

class CProgressBar
{
public:
    // `total`: units of work (frames); `label`: shown before the bar.
    CProgressBar(long long total, std::string label);
    ~CProgressBar();
    void update(long long done);
    void finish();

private:
    long long total_;
    std::string label_;
    bool enabled_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_;
};
