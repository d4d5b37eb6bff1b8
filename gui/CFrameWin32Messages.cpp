// CFrame on Win32: the window procedure, which turns the window's messages into view events.
#include "gui/CFrame.h"

#include <windowsx.h>

#include "vst/FloatingPointScope.h"

namespace
{
CFrame* frameOf(HWND window)
{
    return reinterpret_cast<CFrame*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

bool keyDown(int key)
{
    return GetKeyState(key) < 0;
}
} // namespace

int32_t CFrame::buttonsFromMessage(WPARAM wParam)
{
    int32_t buttons = 0;
    if (wParam & MK_LBUTTON) buttons |= kLButton;
    if (wParam & MK_RBUTTON) buttons |= kRButton;
    if (wParam & MK_MBUTTON) buttons |= kMButton;
    if (wParam & MK_XBUTTON1) buttons |= kButton4;
    if (wParam & MK_XBUTTON2) buttons |= kButton5;
    if (wParam & MK_CONTROL) buttons |= kControl;
    if (wParam & MK_SHIFT) buttons |= kShift;
    if (keyDown(VK_MENU)) buttons |= kAlt;
    return buttons;
}

namespace
{
// Keeps the frame alive while one of its messages is handled: a view may close the editor
// (release the frame) from inside an event, and the handling must not continue on a destroyed
// frame. The last release then happens here, after the message.
class FrameHold
{
  public:
    explicit FrameHold(CFrame* frame) : frame(frame)
    {
        if (frame) frame->remember();
    }
    ~FrameHold()
    {
        if (frame) frame->forget();
    }
    FrameHold(const FrameHold&) = delete;
    FrameHold& operator=(const FrameHold&) = delete;

  private:
    CFrame* frame;
};
} // namespace

LRESULT CALLBACK CFrame::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The system's message dispatch, which no exception may cross: a handler that fails (an
    // allocation while painting, say) leaves the message to the default handling. Painting and
    // the mouse run the script's drawing code: in the plug-in's floating-point environment, as
    // every call through the effect record does.
    const CFloatingPointScope floatingPoint;
    try
    {
        return handleMessage(window, message, wParam, lParam);
    }
    catch (...)
    {
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT CFrame::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CFrame* frame = frameOf(window);
    const FrameHold hold(frame);
    switch (message)
    {
    case WM_DESTROY:
        if (frame)
        {
            // Destroyed from outside (the host closed its window first): the frame lives on
            // without a window and must not use the dead handle.
            frame->setDropActive(false); // revoked while the window still exists
            frame->setOpen(false);
            frame->parentWindow = nullptr;
            frame->window = nullptr;
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        }
        break;

    case WM_PAINT:
        if (!frame) break;
        frame->paint();
        return 0;

    case WM_ERASEBKGND:
        return 1; // the paint covers everything

    case WM_MOUSEMOVE:
        if (!frame) break;
        {
            CPoint where(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            frame->onMouseMoved(where, buttonsFromMessage(wParam));
        }
        return 0;

    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_XBUTTONDBLCLK:
        if (!frame) break;
        {
            int32_t buttons = buttonsFromMessage(wParam);
            if (message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDBLCLK ||
                message == WM_MBUTTONDBLCLK || message == WM_XBUTTONDBLCLK)
                buttons |= kDoubleClick;
            CPoint where(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            // The view keeps receiving the mouse, even outside the window, until the release.
            if (frame->onMouseDown(where, buttons) == kMouseEventHandled) SetCapture(window);
        }
        return 0;

    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_XBUTTONUP:
        if (!frame) break;
        {
            CPoint where(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            frame->onMouseUp(where, buttonsFromMessage(wParam));
            ReleaseCapture();
        }
        return 0;

    case WM_MOUSEWHEEL:
        if (frame)
        {
            int32_t buttons = 0;
            if (keyDown(VK_SHIFT)) buttons |= kShift;
            if (keyDown(VK_CONTROL)) buttons |= kControl;
            if (keyDown(VK_MENU)) buttons |= kAlt;
            // Screen coordinates, signed: monitors left of or above the primary one are
            // negative.
            RECT r{};
            GetWindowRect(window, &r);
            const CPoint where(GET_X_LPARAM(lParam) - r.left, GET_Y_LPARAM(lParam) - r.top);
            // Whole notches only (120 per notch), truncated toward zero.
            const int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
            frame->onWheel(where, float(notches), buttons);
        }
        break; // the default handling passes the wheel on to the parent window

    case WM_MOUSELEAVE:
        if (!frame) break;
        {
            CPoint where(0, 0);
            frame->getCurrentMouseLocation(where);
            frame->onMouseExited(where, frame->getCurrentMouseButtons());
        }
        return 0;

    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
