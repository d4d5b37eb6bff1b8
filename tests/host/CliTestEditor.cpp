// The Windows test plug-in's editor: a 200 x 100 child window painted red on the left and blue
// on the right, with a green bar at the top whose width grows with the audio blocks processed
// (so a picture shows that audio ran before it was taken). Idle calls repaint it.

#include "CliTestEditor.h"

#include <windows.h>

namespace
{

HWND window = nullptr;
int paintedBlocks = 0;

LRESULT CALLBACK editorProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT)
    {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT left{0, 0, 100, 100}, right{100, 0, 200, 100}, bar{0, 0, paintedBlocks, 10};
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
        HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
        FillRect(dc, &left, red);
        FillRect(dc, &right, blue);
        FillRect(dc, &bar, green);
        DeleteObject(red);
        DeleteObject(blue);
        DeleteObject(green);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

} // namespace

bool TestEditorOpen(void* parent)
{
    static bool registered = false;
    if (!registered)
    {
        WNDCLASSA wc{};
        wc.lpfnWndProc = editorProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "Quar2CliTestEditor";
        registered = RegisterClassA(&wc) != 0;
    }
    window = CreateWindowExA(0, "Quar2CliTestEditor", "Window", WS_CHILD | WS_VISIBLE, 0, 0,
                             kTestEditorWidth, kTestEditorHeight, static_cast<HWND>(parent),
                             nullptr, GetModuleHandleA(nullptr), nullptr);
    return window != nullptr;
}

void TestEditorIdle(int blocksProcessed)
{
    if (window == nullptr) return;
    paintedBlocks = blocksProcessed < kTestEditorWidth ? blocksProcessed : kTestEditorWidth;
    InvalidateRect(window, nullptr, FALSE);
}

void TestEditorClose()
{
    if (window != nullptr) DestroyWindow(window);
    window = nullptr;
}
