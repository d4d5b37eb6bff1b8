#pragma once
// A loudness meter fed on another thread: frames are gathered in one buffer while the meter
// works through the previous one, so that metering runs beside decoding, the plug-in and
// writing on a second core. The results are those of feeding the meter directly.

#include "host/cli/Loudness.h"

#include <future>
#include <vector>

class CBackgroundMeter
{
  public:
    explicit CBackgroundMeter(CLoudnessMeter& meter);
    ~CBackgroundMeter() { finish(); }
    CBackgroundMeter(const CBackgroundMeter&) = delete;
    CBackgroundMeter& operator=(const CBackgroundMeter&) = delete;

    void add(const float* left, const float* right, int frames);
    // Waits until everything added is measured; the meter may then be read.
    void finish();

  private:
    void launch();
    CLoudnessMeter& meter;
    std::vector<float> gathering[2], measuring[2];
    size_t used = 0;
    std::future<void> working;
};
