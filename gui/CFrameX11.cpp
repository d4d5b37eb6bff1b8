// CFrame on X11 (Linux): the child window inside the host's editor window, its events and its
// painting. The rest of the frame (drawing the views, routing the mouse) is CFrame.cpp and
// CFrameInput.cpp, shared with Windows.
//
// Xlib rather than xcb: every Linux desktop and VST host has libX11, cairo can draw into Xlib
// windows directly (the fallback for unusual visuals), and XPutImage copies the back buffer in
// one request. Each frame opens its own connection to the X server (the host passes only a
// window id), so its events never mix with the host's and closing it takes everything with it.
//
// There is no message loop of ours: the host's effEditIdle calls (AEffGUIEditor::idle ->
// CFrame::idle) handle the pending events and paint what was invalidated, all on the host's GUI
// thread. Exposure is collected and painted once per idle call, through a back buffer that is
// then copied to the window in one piece (no flicker, and cairo draws fastest into memory).
// The common Linux hosts (Ardour, REAPER, Bitwig, Carla, Qtractor) send effEditIdle from their
// GUI loop many times a second, which the 30-per-second redraw needs anyway; a host that sends it
// rarely gets a slower editor, never a wrong one. No thread or timer of ours: the toolkit and the
// script's drawing stay on the host's GUI thread, as on Windows.
#include "gui/CFrame.h"

#include "gui/CBitmap.h"
#include "gui/COffscreenContext.h"
#include "gui/GDIPlusGlobals.h"
#include "gui/PixelMath.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <cairo-xlib.h>

#include <algorithm>
#include <ctime>
#include <vector>

namespace
{
int32_t windowFrameCount = 0;       // frames that own a window
std::vector<Display*> openDisplays; // connections of the frames with a window

// X reports failures (a parent window id that names no window, a window the host destroyed
// before ours was told) asynchronously, and Xlib's default handler ends the process. While the
// frame makes, paints or destroys its window and handles its events, failures on the frame's own
// connection are caught here and counted; any other connection's go to the handler that was
// installed before (the host's). Traps nest: only the outermost one installs and restores.
XErrorHandler previousHandler = nullptr;
Display* trappedDisplay = nullptr;
int trapDepth = 0;
int trappedErrors = 0;

int trapError(Display* display, XErrorEvent* error)
{
    if (display == trappedDisplay)
    {
        ++trappedErrors;
        return 0;
    }
    return previousHandler ? previousHandler(display, error) : 0;
}

class ErrorTrap
{
  public:
    explicit ErrorTrap(Display* display) : display(display)
    {
        if (trapDepth++ > 0) return;
        trappedDisplay = display;
        trappedErrors = 0;
        previousHandler = XSetErrorHandler(trapError);
    }
    ~ErrorTrap()
    {
        XSync(display, False);
        if (--trapDepth > 0) return;
        XSetErrorHandler(previousHandler);
        trappedDisplay = nullptr;
    }
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;
    // Whether any request so far failed (after a round trip).
    bool failed() const
    {
        XSync(display, False);
        return trappedErrors > 0;
    }

  private:
    Display* display;
};

constexpr long kEventMask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            EnterWindowMask | LeaveWindowMask | StructureNotifyMask;

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

CFrame::CFrame(const CRect& inSize, void* inParentWindow, CEditorInterface* inEditor)
    : CViewContainer(inSize, this, nullptr), editor(inEditor),
      parentWindow(reinterpret_cast<PlatformWindow>(inParentWindow))
{
    parentFrame = this;
    attachedToParent = true;
    GDIPlusGlobals::enter();
    if (!parentWindow) return;
    makeWindow();
}

CFrame::~CFrame()
{
    if (modalView)
    {
        CView* view = modalView;
        modalView = nullptr;
        CViewContainer::removeView(view, false);
    }
    setCursor(kCursorDefault);
    if (frameContext)
    {
        frameContext->forget();
        frameContext = nullptr;
    }
    parentFrame = nullptr;
    focusView = nullptr;
    mouseOverView = nullptr;
    mouseDownView = nullptr;
    removeAll(true);
    if (backBuffer)
    {
        backBuffer->forget();
        backBuffer = nullptr;
    }
    closeWindow();
    GDIPlusGlobals::exit();
}

bool CFrame::makeWindow()
{
    display = XOpenDisplay(nullptr);
    if (!display) return false;
    {
        ErrorTrap trap(display);
        XSetWindowAttributes attributes{};
        attributes.event_mask = kEventMask;
        // No background: the paint covers the whole window, and erasing first would flicker.
        attributes.background_pixmap = None;
        attributes.bit_gravity = NorthWestGravity;
        window = XCreateWindow(
            display, parentWindow, 0, 0, unsigned(std::max(1, truncatePixel(size.getWidth()))),
            unsigned(std::max(1, truncatePixel(size.getHeight()))), 0, CopyFromParent, InputOutput,
            CopyFromParent, CWEventMask | CWBackPixmap | CWBitGravity, &attributes);
        if (window && !trap.failed())
        {
            XStoreName(display, window, "Window");
            XMapWindow(display, window);
            // The back buffer's pixels (0x00RRGGBB words) are the window's own in the usual
            // 24-bit true-colour visual: they go over unchanged.
            XWindowAttributes attributes{};
            if (XGetWindowAttributes(display, window, &attributes) && attributes.visual &&
                (attributes.depth == 24 || attributes.depth == 32) &&
                attributes.visual->red_mask == 0xFF0000 &&
                attributes.visual->green_mask == 0xFF00 && attributes.visual->blue_mask == 0xFF)
            {
                copyContext = XCreateGC(display, window, 0, nullptr);
                copyVisual = attributes.visual;
                copyDepth = attributes.depth;
            }
        }
        if (trap.failed())
        {
            // The parent is no window (or the server refused): a frame without a window.
            if (window) XDestroyWindow(display, window);
            window = 0;
        }
    }
    if (!window)
    {
        XCloseDisplay(display);
        display = nullptr;
        return false;
    }
    XFlush(display);
    ++windowFrameCount;
    countsWindow = true;
    openDisplays.push_back(display);
    return true;
}

void CFrame::closeWindow()
{
    if (!display) return;
    {
        ErrorTrap trap(display);
        if (currentCursor) XFreeCursor(display, currentCursor);
        currentCursor = 0;
        if (copyContext) XFreeGC(display, copyContext);
        copyContext = nullptr;
        // Already gone when the host destroyed its window first: the failure is trapped.
        if (window) XDestroyWindow(display, window);
    }
    window = 0;
    if (cairoDevice)
    {
        cairo_device_finish(cairoDevice);
        cairo_device_destroy(cairoDevice);
        cairoDevice = nullptr;
    }
    openDisplays.erase(std::remove(openDisplays.begin(), openDisplays.end(), display),
                       openDisplays.end());
    XCloseDisplay(display);
    display = nullptr;
    if (countsWindow) --windowFrameCount;
    countsWindow = false;
}

cairo_surface_t* CFrame::makeWindowSurface() const
{
    if (!display || !window || !open) return nullptr;
    XWindowAttributes attributes{};
    {
        ErrorTrap trap(display);
        if (!XGetWindowAttributes(display, window, &attributes) || trap.failed()) return nullptr;
    }
    cairo_surface_t* surface = cairo_xlib_surface_create(display, window, attributes.visual,
                                                         attributes.width, attributes.height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
    {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    if (!cairoDevice)
        if (cairo_device_t* device = cairo_surface_get_device(surface))
            cairoDevice = cairo_device_reference(device);
    return surface;
}

const wchar_t* CFrame::getClassName()
{
    return L""; // X11 windows have no class to register
}

int32_t CFrame::getWindowFrameCount()
{
    return windowFrameCount;
}

int32_t CFrame::getPlatformMajorVersion()
{
    return 0;
}

void CFrame::overridePlatformMajorVersion(int32_t) {}

void CFrame::setDropActive(bool)
{
    // No file drop on Linux: the leveller does not use it.
}

void CFrame::handleEvents()
{
    if (!display) return;
    const FrameHold hold(this);
    const ErrorTrap trap(display);
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
        if (damage.isEmpty())
            damage = area;
        else
            damage =
                CRect(std::min(damage.left, area.left), std::min(damage.top, area.top),
                      std::max(damage.right, area.right), std::max(damage.bottom, area.bottom));
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

void CFrame::paint()
{
    if (!window || !open || damage.isEmpty()) return;
    const CRect area(truncatePixel(damage.left), truncatePixel(damage.top),
                     truncatePixel(damage.right), truncatePixel(damage.bottom));
    damage = CRect();
    if (!backBuffer)
        backBuffer = new COffscreenContext(this, truncatePixel(size.getWidth()),
                                           truncatePixel(size.getHeight()), kBlackCColor);
    drawRect(backBuffer, area);
    cairo_surface_t* pixels =
        backBuffer->getBitmap() ? backBuffer->getBitmap()->getBitmap() : nullptr;
    if (copyContext && pixels)
    {
        // Straight to the window in one request (no cairo surface over the window).
        cairo_surface_flush(pixels);
        const int width = cairo_image_surface_get_width(pixels);
        const int height = cairo_image_surface_get_height(pixels);
        XImage* image = XCreateImage(
            display, static_cast<Visual*>(copyVisual), unsigned(copyDepth), ZPixmap, 0,
            reinterpret_cast<char*>(cairo_image_surface_get_data(pixels)), unsigned(width),
            unsigned(height), 32, cairo_image_surface_get_stride(pixels));
        if (image)
        {
            // The words in this machine's byte order; Xlib converts if the server's differs.
            const uint16_t probe = 1;
            image->byte_order = *reinterpret_cast<const uint8_t*>(&probe) ? LSBFirst : MSBFirst;
            const int x = std::max(0, int(area.left)), y = std::max(0, int(area.top));
            const int w = std::min(int(area.right), width) - x;
            const int h = std::min(int(area.bottom), height) - y;
            if (w > 0 && h > 0)
                XPutImage(display, window, copyContext, image, x, y, x, y, unsigned(w),
                          unsigned(h));
            image->data = nullptr; // the pixels stay the back buffer's
            XDestroyImage(image);
        }
    }
    else
    {
        CDrawContext* windowContext = new CDrawContext(this, nullptr, window);
        backBuffer->getBitmap()->draw(windowContext, area, area.getTopLeft());
        windowContext->forget(); // the window surface is flushed when the context goes
    }
    XFlush(display);
}

void CFrame::invalidRect(const CRect rect)
{
    if (!visible || !window) return;
    CRect area(truncatePixel(rect.left), truncatePixel(rect.top), truncatePixel(rect.right),
               truncatePixel(rect.bottom));
    area.bound(size);
    if (area.isEmpty()) return;
    if (damage.isEmpty())
        damage = area;
    else
        damage = CRect(std::min(damage.left, area.left), std::min(damage.top, area.top),
                       std::max(damage.right, area.right), std::max(damage.bottom, area.bottom));
}

uint32_t CFrame::getTicks() const
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return uint32_t(uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u);
}

bool CFrame::getPosition(double& x, double& y) const
{
    if (!open || !window || !display) return false;
    ::Window root = 0;
    int wx = 0, wy = 0;
    unsigned int w = 0, h = 0, border = 0, depth = 0;
    if (!XGetGeometry(display, window, &root, &wx, &wy, &w, &h, &border, &depth)) return false;
    x = wx;
    y = wy;
    return true;
}

bool CFrame::getSize(CRect& rect) const
{
    double x = 0, y = 0;
    ::Window root = 0;
    int wx = 0, wy = 0;
    unsigned int w = 0, h = 0, border = 0, depth = 0;
    if (!window || !getPosition(x, y) ||
        !XGetGeometry(display, window, &root, &wx, &wy, &w, &h, &border, &depth))
    {
        rect = size;
        return true;
    }
    rect = CRect(x, y, x + w, y + h);
    return true;
}

bool CFrame::setSize(double width, double height)
{
    if (width == size.getWidth() && height == size.getHeight()) return false;
    if (backBuffer)
    {
        backBuffer->forget();
        backBuffer = nullptr;
    }
    // Only the frame's own window: on X11 the host sizes its windows itself.
    if (window && display)
    {
        XResizeWindow(display, window, unsigned(std::max(1, truncatePixel(width))),
                      unsigned(std::max(1, truncatePixel(height))));
        XFlush(display);
    }
    setViewSize(CRect(size.left, size.top, size.left + width, size.top + height), true);
    return true;
}

bool CFrame::getCurrentMouseLocation(CPoint& where) const
{
    if (!window || !display) return false;
    ::Window root = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(display, window, &root, &child, &rootX, &rootY, &x, &y, &mask)) return false;
    where = CPoint(x, y);
    return true;
}

void CFrame::setCursor(int32_t type)
{
    if (!display || !window || type == currentCursorType) return;
    unsigned int shape = 0;
    switch (type)
    {
    case kCursorWait:
        shape = XC_watch;
        break;
    case kCursorHSize:
        shape = XC_sb_h_double_arrow;
        break;
    case kCursorVSize:
        shape = XC_sb_v_double_arrow;
        break;
    case kCursorSizeAll:
        shape = XC_fleur;
        break;
    case kCursorNESWSize:
        shape = XC_bottom_left_corner;
        break;
    case kCursorNWSESize:
        shape = XC_bottom_right_corner;
        break;
    case kCursorNotAllowed:
        shape = XC_X_cursor;
        break;
    case kCursorHand:
        shape = XC_hand2;
        break;
    default:
        break;
    }
    const Cursor previous = currentCursor;
    currentCursor = shape ? XCreateFontCursor(display, shape) : 0;
    currentCursorType = type;
    // Without a shape of its own the window shows its parent's cursor.
    if (currentCursor)
        XDefineCursor(display, window, currentCursor);
    else
        XUndefineCursor(display, window);
    if (previous) XFreeCursor(display, previous);
    XFlush(display);
}

// The buttons and modifiers held now, from the first frame's connection (the pointer is the
// same for all); none without a frame window. Buttons on X11 are logical already.
int32_t getMouseButtons()
{
    if (openDisplays.empty()) return 0;
    Display* display = openDisplays.front();
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
