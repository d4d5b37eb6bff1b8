#pragma once
// Real windows for the frame tests: a top-level parent window standing in for the host's
// editor window, a message pump, and the window's pixels read back with BitBlt.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

// The host's editor window: a child of one top-level window that the test program keeps for
// its whole run (destroying a top-level window costs seconds under an X server without a
// window manager). It counts the wheel messages its child passes on.
class ParentWindow
{
  public:
    ParentWindow()
    {
        window = CreateWindowExW(0, className(), L"Editor", WS_CHILD | WS_VISIBLE, 10, 10, 450, 350,
                                 topLevel(), nullptr, GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~ParentWindow()
    {
        if (IsWindow(window)) DestroyWindow(window);
    }
    ParentWindow(const ParentWindow&) = delete;
    ParentWindow& operator=(const ParentWindow&) = delete;

    HWND window = nullptr;
    int wheelMessages = 0;

  private:
    static const wchar_t* className()
    {
        static const bool registered = []
        {
            WNDCLASSW windowClass{};
            windowClass.lpfnWndProc = procedure;
            windowClass.hInstance = GetModuleHandleW(nullptr);
            windowClass.lpszClassName = L"Quar2TestHost";
            windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
            return RegisterClassW(&windowClass) != 0;
        }();
        (void)registered;
        return L"Quar2TestHost";
    }
    static HWND topLevel()
    {
        static HWND host = CreateWindowExW(
            0, className(), L"Host", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 40, 40,
            500, 420, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        return host;
    }
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<ParentWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && message == WM_MOUSEWHEEL)
        {
            ++self->wheelMessages;
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
};

// Dispatches messages for `milliseconds`, or until `done` answers true.
inline bool pumpMessages(int milliseconds, const std::function<bool()>& done = {})
{
    const DWORD end = GetTickCount() + DWORD(milliseconds);
    do
    {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done && done()) return true;
        Sleep(5);
    } while (GetTickCount() < end);
    return done ? done() : true;
}

// The window's pixels as 0x00RRGGBB, row by row, read from its device context.
inline std::vector<uint32_t> grabWindow(HWND window, int width, int height)
{
    std::vector<uint32_t> pixels(size_t(width) * size_t(height), 0xdeadbeef);
    HDC dc = GetDC(window);
    HDC memory = CreateCompatibleDC(dc);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    if (BitBlt(memory, 0, 0, width, height, dc, 0, 0, SRCCOPY) && bits)
    {
        const auto* source = static_cast<const uint32_t*>(bits);
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = source[i] & 0x00ffffff;
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, dc);
    return pixels;
}

inline LPARAM pointParam(int x, int y)
{
    return LPARAM(uint32_t(uint16_t(int16_t(x))) | uint32_t(uint16_t(int16_t(y))) << 16);
}
