#include "host/cli/ProgressBar.h"

#include <cstdio>
#include <unistd.h>

namespace {
constexpr auto kMoment = std::chrono::milliseconds(300);
constexpr auto kRedraw = std::chrono::milliseconds(100);
constexpr int kWidth = 40;
} // namespace

CProgressBar::CProgressBar(long long total, std::string label)
    : total_(total), label_(std::move(label)), enabled_(isatty(STDERR_FILENO) == 1 && total > 0),
      start_(std::chrono::steady_clock::now()), lastDraw_(start_)
{
}

CProgressBar::~CProgressBar() { finish(); }

void CProgressBar::update(long long done)
{
    if (!enabled_)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (now - start_ < kMoment || (shown_ && now - lastDraw_ < kRedraw))
        return;
    lastDraw_ = now;
    shown_ = true;
    const double fraction = done >= total_ ? 1.0 : double(done > 0 ? done : 0) / double(total_);
    const int filled = int(fraction * kWidth);
    char bar[kWidth + 1];
    for (int i = 0; i < kWidth; ++i)
        bar[i] = i < filled ? '#' : '.';
    bar[kWidth] = '\0';
    std::fprintf(stderr, "\r%s [%s] %3d%%", label_.c_str(), bar, int(fraction * 100));
    std::fflush(stderr);
}

void CProgressBar::finish()
{
    if (shown_)
        std::fprintf(stderr, "\r\033[K");
    shown_ = false;
    enabled_ = false;
}
