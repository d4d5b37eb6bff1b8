#include "host/cli/ProgressBar.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sys/ioctl.h>
#include <unistd.h>

namespace
{
constexpr auto kMoment = std::chrono::milliseconds(300);
constexpr auto kRedraw = std::chrono::milliseconds(100);
constexpr int kMaxBar = 40;

int terminalColumns()
{
    winsize ws{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
    if (const char* env = std::getenv("COLUMNS"); env != nullptr && std::atoi(env) > 0)
        return std::atoi(env);
    return 80;
}

std::string duration(double seconds)
{
    const long s = long(seconds + 0.5);
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}
} // namespace

CProgressBar::CProgressBar(long long total, std::string label, bool wanted)
    : totalFrames(total), barLabel(std::move(label)),
      enabled(wanted && isatty(STDERR_FILENO) == 1 && total > 0),
      startTime(std::chrono::steady_clock::now()), lastDraw(startTime)
{
}

CProgressBar::~CProgressBar()
{
    finish();
}

std::string CProgressBar::render(const std::string& label, double fraction, double elapsedSeconds,
                                 int columns)
{
    fraction = std::clamp(fraction, 0.0, 1.0);
    char tail[64];
    if (fraction > 0.0)
        std::snprintf(tail, sizeof tail, " %3d%% %s left", int(fraction * 100),
                      duration(elapsedSeconds * (1.0 - fraction) / fraction).c_str());
    else
        std::snprintf(tail, sizeof tail, " %3d%%", 0);
    const int room = columns - 1;
    std::string line = std::string(tail);
    // The bar gets what is left after the label, the brackets and the percentage.
    const int bar = std::min(kMaxBar, room - int(label.size()) - 3 - int(line.size()));
    if (bar >= 5)
    {
        const int filled = int(fraction * bar);
        line = label + " [" + std::string(size_t(filled), '#') +
               std::string(size_t(bar - filled), '.') + "]" + line;
    }
    else if (int(label.size() + line.size()) <= room)
    {
        line = label + line;
    }
    if (int(line.size()) > room) line = line.substr(line.size() - size_t(std::max(room, 0)));
    return line;
}

void CProgressBar::update(long long done)
{
    if (!enabled) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - startTime < kMoment || (shown && now - lastDraw < kRedraw)) return;
    lastDraw = now;
    shown = true;
    const double fraction =
        done >= totalFrames ? 1.0 : double(done > 0 ? done : 0) / double(totalFrames);
    const double elapsed = std::chrono::duration<double>(now - startTime).count();
    const std::string line = render(barLabel, fraction, elapsed, terminalColumns());
    // Back to the start of the line, the new text, and the rest of the line cleared.
    std::fprintf(stderr, "\r%s\033[K", line.c_str());
    std::fflush(stderr);
}

void CProgressBar::clear()
{
    if (shown)
    {
        std::fprintf(stderr, "\r\033[K");
        std::fflush(stderr);
    }
}

void CProgressBar::finish()
{
    if (shown) std::fprintf(stderr, "\r\033[K");
    shown = false;
    enabled = false;
}
