#pragma once
// Real windows for the frame tests: a top-level parent window standing in for the host's
// editor window; the message pump and the pixel readback are the host window's
// (tests/support/EditorWindowSupport.h).

#include <windows.h>

#include <cstdint>

#include "tests/support/EditorWindowSupport.h"

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

inline LPARAM PointParam(int x, int y)
{
    return LPARAM(uint32_t(uint16_t(int16_t(x))) | uint32_t(uint16_t(int16_t(y))) << 16);
}
