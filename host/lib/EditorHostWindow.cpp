#include "host/lib/EditorHostWindow.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace
{

const char* kWindowClass = "Quar2EditorHostWindow";
const DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN;
// Paint records kept between two takePaintTimes() calls: about an hour of editor frames.
constexpr size_t kMaxPaintRecords = 1u << 17;

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

bool CEditorHostWindow::create(int width, int height, std::string& error)
{
    close();
    if (width <= 0 || height <= 0 || width > 8192 || height > 8192)
    {
        error = "no usable window size";
        return false;
    }
    if (!makeWindow(width, height, error)) return false;
    clientWidth = width;
    clientHeight = height;
    pump();
    return true;
}

bool CEditorHostWindow::open(CVstPlugin& plugin, std::string& error)
{
    close();
    const AEffect* e = plugin.effect();
    if (e == nullptr || (e->flags & effFlagsHasEditor) == 0)
    {
        error = "the plug-in has no editor";
        return false;
    }
    ERect rect{};
    int w = 0, h = 0;
    if (plugin.editorRect(rect))
    {
        w = rect.right - rect.left;
        h = rect.bottom - rect.top;
    }
    if (w <= 0 || h <= 0 || w > 8192 || h > 8192)
    {
        w = 640; // a size that fits most editors; the plug-in may ask for another
        h = 480;
    }
    if (!makeWindow(w, h, error)) return false;
    HWND hwnd = static_cast<HWND>(window);
    shownPlugin = &plugin;
    if (plugin.dispatch(effEditOpen, 0, 0, hwnd) == 0 && GetWindow(hwnd, GW_CHILD) == nullptr)
    {
        close();
        error = "the plug-in's editor did not open";
        return false;
    }
    // Some editors know their size only once open.
    if (plugin.editorRect(rect) && rect.right - rect.left > 0 && rect.bottom - rect.top > 0 &&
        (rect.right - rect.left != w || rect.bottom - rect.top != h))
    {
        w = rect.right - rect.left;
        h = rect.bottom - rect.top;
        RECT again{0, 0, w, h};
        AdjustWindowRect(&again, kStyle, FALSE);
        SetWindowPos(hwnd, nullptr, 0, 0, again.right - again.left, again.bottom - again.top,
                     SWP_NOMOVE | SWP_NOZORDER);
    }
    clientWidth = w;
    clientHeight = h;
    paintMs.clear();
    pump();
    return true;
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

bool CEditorHostWindow::pumpFor(int milliseconds, const std::function<void()>& between,
                                const std::function<bool()>& until)
{
    const DWORD start = GetTickCount();
    do
    {
        pump();
        if (between) between();
        if (until && until()) return true;
        Sleep(5);
    } while (GetTickCount() - start < static_cast<DWORD>(milliseconds));
    return until ? until() : true;
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
        if (msg.hwnd != window && paintMs.size() < kMaxPaintRecords)
            paintMs.push_back(double(after.QuadPart - before.QuadPart) / ticksPerMs);
    }
}

std::vector<double> CEditorHostWindow::takePaintTimes()
{
    std::vector<double> taken;
    taken.swap(paintMs);
    return taken;
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

bool CEditorHostWindow::capture(std::vector<uint8_t>& rgb, int& width, int& height,
                                std::string& error)
{
    if (window == nullptr)
    {
        error = "the editor is not open";
        return false;
    }
    return captureWindow(window, rgb, width, height, error);
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

void CEditorHostWindow::close()
{
    if (window == nullptr) return;
    if (shownPlugin != nullptr) shownPlugin->dispatch(effEditClose);
    DestroyWindow(static_cast<HWND>(window));
    window = nullptr;
    shownPlugin = nullptr;
    clientWidth = clientHeight = 0;
    pump();
}

void* CEditorHostWindow::editorWindow() const
{
    return window != nullptr ? GetWindow(static_cast<HWND>(window), GW_CHILD) : nullptr;
}
