// CFrame on X11: the frame window's events, turned into view events as the Win32 window
// procedure turns its messages (the same buttons, double clicks, wheel notches and leaves), and
// the mouse buttons held now.
#include "gui/CFrame.h"

#include "gui/PixelMath.h"
#include "gui/X11Connection.h"

#include <X11/Xlib.h>

#include <cstdlib>

namespace
{
// Two presses of one button this close in time and place make a double click (the Windows
// defaults: 500 ms, 4 x 4 pixels).
constexpr Time kDoubleClickTime = 500;
constexpr int kDoubleClickDistance = 2;

int32_t modifierButtons(unsigned int state)
{
    int32_t buttons = 0;
    if (state & ShiftMask) buttons |= kShift;
    if (state & ControlMask) buttons |= kControl;
    if (state & Mod1Mask) buttons |= kAlt;
    return buttons;
}

// The toolkit's bits for the buttons held in an X state, plus the modifiers.
int32_t buttonsFromState(unsigned int state)
{
    int32_t buttons = modifierButtons(state);
    if (state & Button1Mask) buttons |= kLButton;
    if (state & Button2Mask) buttons |= kMButton;
    if (state & Button3Mask) buttons |= kRButton;
    return buttons;
}

// The toolkit's bit for X button `button` (1 left, 2 middle, 3 right, 8 and 9 the side
// buttons); 0 for the wheel and others.
int32_t buttonBit(unsigned int button)
{
    switch (button)
    {
    case Button1:
        return kLButton;
    case Button2:
        return kMButton;
    case Button3:
        return kRButton;
    case 8:
        return kButton4;
    case 9:
        return kButton5;
    default:
        return 0;
    }
}

// Keeps the frame alive while its events are handled: a view may close the editor from inside
// an event, and the handling must not continue on a destroyed frame.
class FrameHold
{
  public:
    explicit FrameHold(CFrame* frame) : frame(frame) { frame->remember(); }
    ~FrameHold() { frame->forget(); }
    FrameHold(const FrameHold&) = delete;
    FrameHold& operator=(const FrameHold&) = delete;

  private:
    CFrame* frame;
};

// Pending double-click state (one pointer, so one per process, as on Windows).
struct LastPress
{
    unsigned int button = 0;
    Time time = 0;
    int x = 0, y = 0;
    bool wasDouble = false;
};
LastPress lastPress;
} // namespace

void CFrame::handleEvents()
{
    if (!display) return;
    const FrameHold hold(this);
    const X11ErrorTrap trap(display);
    while (display && XPending(display) > 0)
    {
        XEvent event;
        XNextEvent(display, &event);
        if (event.xany.window == window) handleEvent(event);
    }
    paint();
}

void CFrame::handleEvent(const XEvent& event)
{
    switch (event.type)
    {
    case Expose:
    {
        const CRect area(event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
                         event.xexpose.y + event.xexpose.height);
        addDamage(area);
        break;
    }
    case DestroyNotify:
        // Destroyed from outside (the host closed its window first): the frame lives on without
        // a window and must not use the dead id.
        setOpen(false);
        parentWindow = 0;
        window = 0;
        break;
    case MotionNotify:
    {
        CPoint where(event.xmotion.x, event.xmotion.y);
        lastButtons = buttonsFromState(event.xmotion.state);
        onMouseMoved(where, lastButtons);
        break;
    }
    case EnterNotify:
    {
        // Windows reports the pointer coming in as a move to where it came in.
        if (event.xcrossing.mode != NotifyNormal) break;
        CPoint where(event.xcrossing.x, event.xcrossing.y);
        onMouseMoved(where, buttonsFromState(event.xcrossing.state));
        break;
    }
    case LeaveNotify:
    {
        // While a button is held the view keeps the mouse (the press grabbed the pointer); the
        // leave is reported once the pointer left without a button.
        if (event.xcrossing.mode != NotifyNormal || !mouseInside) break;
        if (event.xcrossing.state & (Button1Mask | Button2Mask | Button3Mask)) break;
        CPoint where(event.xcrossing.x, event.xcrossing.y);
        onMouseExited(where, buttonsFromState(event.xcrossing.state));
        break;
    }
    case ButtonPress:
    {
        const XButtonEvent& b = event.xbutton;
        const int32_t modifiers = modifierButtons(b.state);
        if (b.button == Button4 || b.button == Button5)
        {
            // One wheel notch per event: up is towards the user's content (+1).
            const CPoint where(b.x, b.y);
            onWheel(where, b.button == Button4 ? 1.0f : -1.0f, modifiers);
            break;
        }
        const int32_t bit = buttonBit(b.button);
        if (!bit) break;
        int32_t buttons = buttonsFromState(b.state) | bit;
        const bool isDouble = !lastPress.wasDouble && lastPress.button == b.button &&
                              b.time - lastPress.time <= kDoubleClickTime &&
                              std::abs(b.x - lastPress.x) <= kDoubleClickDistance &&
                              std::abs(b.y - lastPress.y) <= kDoubleClickDistance;
        if (isDouble) buttons |= kDoubleClick;
        lastPress = {b.button, b.time, b.x, b.y, isDouble};
        lastButtons = buttons & ~kDoubleClick;
        CPoint where(b.x, b.y);
        onMouseDown(where, buttons);
        break;
    }
    case ButtonRelease:
    {
        const XButtonEvent& b = event.xbutton;
        const int32_t bit = buttonBit(b.button);
        if (!bit) break; // the wheel's releases
        // Windows reports the buttons still held after the release.
        const int32_t buttons = buttonsFromState(b.state) & ~bit;
        lastButtons = buttons;
        CPoint where(b.x, b.y);
        onMouseUp(where, buttons);
        const bool outside = b.x < 0 || b.y < 0 || b.x >= truncatePixel(size.getWidth()) ||
                             b.y >= truncatePixel(size.getHeight());
        if (outside && mouseInside && !(buttons & (kLButton | kMButton | kRButton)))
        {
            CPoint at(b.x, b.y);
            onMouseExited(at, buttons);
        }
        break;
    }
    default:
        break;
    }
}

// The buttons and modifiers held now, from the first frame's connection (the pointer is the
// same for all); none without a frame window. Buttons on X11 are logical already.
int32_t getMouseButtons()
{
    Display* display = firstFrameConnection();
    if (!display) return 0;
    ::Window root = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &x, &y,
                       &mask))
        return 0;
    return buttonsFromState(mask);
}

void setMouseButtonsSwapped(bool) {}

bool getMouseButtonsSwapped()
{
    return false;
}
