// The editor host window on Windows: a Win32 top-level window whose HWND is the parent handed
// to effEditOpen; the editor's paints are timed as the message loop dispatches them, and its
// pixels read back with BitBlt.
#include "host/lib/EditorHostWindow.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace
{

const char* kWindowClass = "Quar2EditorHostWindow";
const DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN;

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE) return 0; // only the host closes the editor
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

bool registerClass()
{
    static bool registered = false;
    if (registered) return true;
    WNDCLASSA wc{};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kWindowClass;
    registered = RegisterClassA(&wc) != 0;
    return registered;
}

} // namespace

bool CEditorHostWindow::makeWindow(int w, int h, std::string& error)
{
    if (!registerClass())
    {
        error = "cannot register the editor's window class";
        return false;
    }
    // A top-level window whose client area is exactly the editor's size.
    RECT frame{0, 0, w, h};
    AdjustWindowRect(&frame, kStyle, FALSE);
    HWND hwnd = CreateWindowExA(0, kWindowClass, "QUAR2 editor", kStyle, 0, 0,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
    if (hwnd == nullptr)
    {
        error = "cannot create the editor's window (is there an X display?)";
        return false;
    }
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
    window = hwnd;
    return true;
}

bool CEditorHostWindow::openEditor(CVstPlugin& plugin)
{
    HWND hwnd = static_cast<HWND>(window);
    return plugin.dispatch(effEditOpen, 0, 0, hwnd) != 0 || GetWindow(hwnd, GW_CHILD) != nullptr;
}

void CEditorHostWindow::resizeClient(int w, int h)
{
    RECT again{0, 0, w, h};
    AdjustWindowRect(&again, kStyle, FALSE);
    SetWindowPos(static_cast<HWND>(window), nullptr, 0, 0, again.right - again.left,
                 again.bottom - again.top, SWP_NOMOVE | SWP_NOZORDER);
}

void CEditorHostWindow::watchPaints()
{
    // Paint messages are timed as pumpTimed dispatches them.
}

void CEditorHostWindow::stopWatchingPaints() {}

void CEditorHostWindow::waitForQuietPixels()
{
    // The editor paints inside the message dispatch: once it returns, the pixels are there.
}

void CEditorHostWindow::destroyWindow()
{
    DestroyWindow(static_cast<HWND>(window));
}

double CEditorHostWindow::nowMs()
{
    return double(GetTickCount64());
}

void CEditorHostWindow::pauseMs(int milliseconds)
{
    Sleep(DWORD(std::max(0, milliseconds)));
}

void CEditorHostWindow::pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void CEditorHostWindow::pumpTimed()
{
    static const double ticksPerMs = []
    {
        LARGE_INTEGER f{};
        QueryPerformanceFrequency(&f);
        return double(f.QuadPart) / 1000.0;
    }();
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&msg);
        if (msg.message != WM_PAINT)
        {
            DispatchMessageA(&msg);
            continue;
        }
        LARGE_INTEGER before{}, after{};
        QueryPerformanceCounter(&before);
        DispatchMessageA(&msg);
        QueryPerformanceCounter(&after);
        // The host's own window paints too (its background); only the editor's paints count.
        if (msg.hwnd != window) recordPaint(double(after.QuadPart - before.QuadPart) / ticksPerMs);
    }
}

void CEditorHostWindow::idle(int milliseconds)
{
    if (window == nullptr) return;
    const DWORD start = GetTickCount();
    do
    {
        pumpTimed();
        shownPlugin->dispatch(effEditIdle);
        pumpTimed();
        Sleep(10);
    } while (int(GetTickCount() - start) < milliseconds);
}

bool CEditorHostWindow::captureWindow(void* window, std::vector<uint8_t>& rgb, int& width,
                                      int& height, std::string& error)
{
    HWND hwnd = static_cast<HWND>(window);
    RECT client{};
    if (hwnd == nullptr || !GetClientRect(hwnd, &client))
    {
        error = "no window to read";
        return false;
    }
    const int w = std::max(1L, client.right - client.left);
    const int h = std::max(1L, client.bottom - client.top);
    // BitBlt from the window's own device context: under Wine this reads what the window shows,
    // child windows included (PrintWindow answers success with an empty picture there).
    HDC windowDc = GetDC(hwnd);
    HDC memoryDc = CreateCompatibleDC(windowDc);
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = w;
    bmi.bmiHeader.biHeight = -h; // top row first
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(windowDc, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (dib != nullptr && bits != nullptr)
    {
        HGDIOBJ old = SelectObject(memoryDc, dib);
        ok = BitBlt(memoryDc, 0, 0, w, h, windowDc, 0, 0, SRCCOPY) != 0;
        GdiFlush();
        SelectObject(memoryDc, old);
        if (ok)
        {
            width = w;
            height = h;
            rgb.resize(size_t(w) * size_t(h) * 3);
            const uint8_t* p = static_cast<const uint8_t*>(bits);
            for (size_t i = 0; i < size_t(w) * size_t(h); ++i)
            {
                rgb[3 * i] = p[4 * i + 2];
                rgb[3 * i + 1] = p[4 * i + 1];
                rgb[3 * i + 2] = p[4 * i];
            }
        }
    }
    if (dib != nullptr) DeleteObject(dib);
    DeleteDC(memoryDc);
    ReleaseDC(hwnd, windowDc);
    if (!ok) error = "cannot read the editor's pixels";
    return ok;
}

void* CEditorHostWindow::editorWindow() const
{
    return window != nullptr ? GetWindow(static_cast<HWND>(window), GW_CHILD) : nullptr;
}
