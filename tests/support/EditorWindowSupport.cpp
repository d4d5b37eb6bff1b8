#include "tests/support/EditorWindowSupport.h"

#include <string>

WindowPixels CaptureWindow(HWND window)
{
    WindowPixels result;
    std::vector<uint8_t> rgb;
    int width = 0, height = 0;
    std::string error;
    if (!CEditorHostWindow::captureWindow(window, rgb, width, height, error)) return result;
    result.width = width;
    result.height = height;
    result.pixels.reserve(rgb.size() / 3);
    for (size_t i = 0; i + 2 < rgb.size(); i += 3)
        result.pixels.push_back(Rgb(rgb[i], rgb[i + 1], rgb[i + 2]));
    return result;
}

bool CreateHostWindow(CEditorHostWindow& host, int width, int height)
{
    std::string error;
    if (!host.create(width, height, error)) return false;
    CEditorHostWindow::pumpFor(50);
    return true;
}

void PostMouse(HWND window, UINT message, int x, int y, WPARAM keys)
{
    PostMessageW(window, message, keys,
                 MAKELPARAM(static_cast<WORD>(static_cast<int16_t>(x)),
                            static_cast<WORD>(static_cast<int16_t>(y))));
}
