#include "LevellerEditorWindow.h"

#include <windows.h>

#include <string>

bool CLevellerEditorWindow::Open(CVstPlugin& p)
{
    Close();
    // The editor must name its own size: the host window's fallback size is no answer here.
    ERect rect{};
    if (!p.editorRect(rect)) return false;
    std::string error;
    if (!host.open(p, error)) return false;
    width = host.width();
    height = host.height();
    editor = host.editorWindow();
    return editor != nullptr;
}

void CLevellerEditorWindow::Close()
{
    host.close();
    editor = nullptr;
}

void CLevellerEditorWindow::Post(unsigned message, int x, int y, uintptr_t keys)
{
    if (editor != nullptr) PostMessageA(static_cast<HWND>(editor), message, keys, MAKELPARAM(x, y));
}

void CLevellerEditorWindow::Move(int x, int y, uintptr_t keys)
{
    // The real pointer goes there too: the toolkit tracks the pointer's leaving the window, and
    // a pointer resting elsewhere on the screen would end every hover at once.
    if (editor != nullptr)
    {
        POINT p{x, y};
        ClientToScreen(static_cast<HWND>(editor), &p);
        SetCursorPos(p.x, p.y);
    }
    // A hand's movement arrives as several moves; the first one over a view only enters it.
    Post(WM_MOUSEMOVE, x, y, keys);
    Post(WM_MOUSEMOVE, x, y, keys);
}

void CLevellerEditorWindow::Press(int x, int y, uintptr_t keys)
{
    Post(WM_LBUTTONDOWN, x, y, keys | MK_LBUTTON);
}

void CLevellerEditorWindow::Release(int x, int y, uintptr_t keys)
{
    Post(WM_LBUTTONUP, x, y, keys & ~static_cast<uintptr_t>(MK_LBUTTON));
}

bool CLevellerEditorWindow::Capture(std::vector<uint8_t>& rgb)
{
    int w = 0, h = 0;
    std::string error;
    return host.capture(rgb, w, h, error);
}
