#include "editor_window_support.h"

namespace {

const wchar_t kHostClass[] = L"Quar2EditorTestHost";

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

EditorHostWindow::EditorHostWindow(int width, int height)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = HostProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kHostClass;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    RegisterClassW(&windowClass); // a second registration fails harmlessly
    RECT frame{0, 0, width, height};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    window = CreateWindowExW(0, kHostClass, L"QUAR2 editor test",
                             WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 20, 20,
                             frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    PumpMessages(50);
}

EditorHostWindow::~EditorHostWindow()
{
    if (window)
        DestroyWindow(window);
    PumpMessages(20);
}

void PumpMessages(int milliseconds, const std::function<void()>& idle,
                  const std::function<bool()>& until)
{
    const DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (idle)
            idle();
        if (until && until())
            return;
        Sleep(5);
    } while (GetTickCount() - start < static_cast<DWORD>(milliseconds));
}

WindowPixels CaptureWindow(HWND window, int width, int height)
{
    WindowPixels result;
    HDC source = GetDC(window);
    if (!source)
        return result;
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        if (BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY)) {
            GdiFlush();
            result.width = width;
            result.height = height;
            const auto* p = static_cast<const uint32_t*>(bits);
            result.pixels.assign(p, p + static_cast<size_t>(width) * height);
            for (uint32_t& px : result.pixels)
                px &= 0x00FFFFFFu;
        }
        SelectObject(memory, old);
    }
    if (bitmap)
        DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, source);
    return result;
}

void PostMouse(HWND window, UINT message, int x, int y, WPARAM keys)
{
    PostMessageW(window, message, keys,
                 MAKELPARAM(static_cast<WORD>(static_cast<int16_t>(x)),
                            static_cast<WORD>(static_cast<int16_t>(y))));
}
