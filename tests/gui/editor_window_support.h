#pragma once
// Shared pieces of the editor tests: a host window to open editors in, a message pump, and the
// pixels of a window read back with BitBlt (what a user sees on the screen).

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

// A visible top-level window standing in for the host's editor window.
class EditorHostWindow
{
public:
    EditorHostWindow(int width, int height);
    ~EditorHostWindow();
    EditorHostWindow(const EditorHostWindow&) = delete;
    EditorHostWindow& operator=(const EditorHostWindow&) = delete;
    HWND handle() const { return window; }
    // The first child window (the editor's frame), or null.
    HWND child() const { return GetWindow(window, GW_CHILD); }

private:
    HWND window = nullptr;
};

// Dispatches every message of the thread for about `milliseconds`, calling `idle` (when given)
// between rounds the way a host sends its idle calls. Stops early when `until` answers true.
void PumpMessages(int milliseconds, const std::function<void()>& idle = nullptr,
                  const std::function<bool()>& until = nullptr);

// A window's client area as 0x00RRGGBB pixels, row by row (empty when it cannot be read).
struct WindowPixels
{
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const
    {
        return (x >= 0 && y >= 0 && x < width && y < height)
                   ? pixels[static_cast<size_t>(y) * width + x]
                   : 0xFFFFFFFFu;
    }
};
WindowPixels CaptureWindow(HWND window, int width, int height);

inline uint32_t Rgb(int r, int g, int b)
{
    return (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
}

// Sends a mouse message to `window` as the system would post it: client coordinates packed in
// lParam, the button and key state in wParam.
void PostMouse(HWND window, UINT message, int x, int y, WPARAM keys);
