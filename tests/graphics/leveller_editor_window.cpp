#include "leveller_editor_window.h"

#include <windows.h>

namespace {

const char* kClassName = "Quar2LevellerEditorTest";

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE)
        return 0;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

bool RegisterWindowClass()
{
    static bool registered = false;
    if (registered)
        return true;
    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kClassName;
    registered = RegisterClassA(&wc) != 0;
    return registered;
}

} // namespace

bool CLevellerEditorWindow::Open(CVstPlugin& p)
{
    Close();
    ERect rect{};
    if (!p.editorRect(rect) || !RegisterWindowClass())
        return false;
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
    RECT frame{0, 0, width, height};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN;
    AdjustWindowRect(&frame, style, FALSE);
    HWND hwnd = CreateWindowExA(0, kClassName, "QUAR2", style, 0, 0, frame.right - frame.left,
                                frame.bottom - frame.top, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    if (hwnd == nullptr)
        return false;
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
    window = hwnd;
    plugin = &p;
    p.dispatch(effEditOpen, 0, 0, hwnd);
    editor = GetWindow(hwnd, GW_CHILD);
    Pump();
    return editor != nullptr;
}

void CLevellerEditorWindow::Close()
{
    if (window == nullptr)
        return;
    if (plugin != nullptr)
        plugin->dispatch(effEditClose);
    DestroyWindow(static_cast<HWND>(window));
    window = editor = nullptr;
    plugin = nullptr;
    Pump();
}

void CLevellerEditorWindow::Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void CLevellerEditorWindow::Idle(int milliseconds)
{
    if (window == nullptr)
        return;
    const DWORD start = GetTickCount();
    do {
        Pump();
        plugin->dispatch(effEditIdle);
        Pump();
        Sleep(10);
    } while (static_cast<int>(GetTickCount() - start) < milliseconds);
}

void CLevellerEditorWindow::Post(unsigned message, int x, int y, uintptr_t keys)
{
    if (editor != nullptr)
        PostMessageA(static_cast<HWND>(editor), message, keys, MAKELPARAM(x, y));
}

void CLevellerEditorWindow::Move(int x, int y, uintptr_t keys)
{
    // The real pointer goes there too: the toolkit tracks the pointer's leaving the window, and
    // a pointer resting elsewhere on the screen would end every hover at once.
    if (editor != nullptr) {
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
    if (window == nullptr || width <= 0 || height <= 0)
        return false;
    HWND hwnd = static_cast<HWND>(window);
    HDC windowDc = GetDC(hwnd);
    HDC memoryDc = CreateCompatibleDC(windowDc);
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height; // top row first
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(windowDc, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (dib != nullptr && bits != nullptr) {
        HGDIOBJ old = SelectObject(memoryDc, dib);
        // From the window's own device context: under Wine this reads what the window shows,
        // child windows included.
        ok = BitBlt(memoryDc, 0, 0, width, height, windowDc, 0, 0, SRCCOPY) != 0;
        GdiFlush();
        SelectObject(memoryDc, old);
        if (ok) {
            const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
            const uint8_t* p = static_cast<const uint8_t*>(bits);
            rgb.resize(n * 3);
            for (size_t i = 0; i < n; ++i) {
                rgb[3 * i] = p[4 * i + 2];
                rgb[3 * i + 1] = p[4 * i + 1];
                rgb[3 * i + 2] = p[4 * i];
            }
        }
    }
    if (dib != nullptr)
        DeleteObject(dib);
    DeleteDC(memoryDc);
    ReleaseDC(hwnd, windowDc);
    return ok;
}
