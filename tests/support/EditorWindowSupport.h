#pragma once
// Shared pieces of the editor tests on top of the host library's editor window (its message pump
// and its BitBlt readback): a window's pixels as 0x00RRGGBB, and mouse messages as the system
// posts them.

#include <windows.h>

#include <cstdint>
#include <vector>

#include "host/lib/EditorHostWindow.h"

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
WindowPixels CaptureWindow(HWND window);

inline uint32_t Rgb(int r, int g, int b)
{
    return (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
}

// Makes `host` a window of `width` x `height` client pixels with no editor in it and lets it
// settle (its first messages handled); false when no window can be made.
bool CreateHostWindow(CEditorHostWindow& host, int width, int height);

// The editor's own window (the host window's first child), or null.
inline HWND EditorChild(const CEditorHostWindow& host)
{
    return static_cast<HWND>(host.editorWindow());
}

// Sends a mouse message to `window` as the system would post it: client coordinates packed in
// lParam, the button and key state in wParam.
void PostMouse(HWND window, UINT message, int x, int y, WPARAM keys);
