// CFrame on X11 (Linux): the child window inside the host's editor window, its painting, size,
// position and cursor. Its events are CFrameX11Events.cpp; the rest of the frame (drawing the
// views, routing the mouse) is CFrame.cpp and CFrameInput.cpp, shared with Windows.
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
#include "gui/PixelMath.h"
#include "gui/PlatformIdle.h"
#include "gui/X11Connection.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <cairo-xlib.h>

#include <algorithm>
#include <ctime>
#include <unistd.h>

namespace
{
int32_t windowFrameCount = 0; // frames that own a window

constexpr long kEventMask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            EnterWindowMask | LeaveWindowMask | StructureNotifyMask;

// The window's place in its parent and its size, as the server has them.
bool windowGeometry(Display* display, ::Window window, CRect& area)
{
    ::Window root = 0;
    int x = 0, y = 0;
    unsigned int width = 0, height = 0, border = 0, depth = 0;
    if (!XGetGeometry(display, window, &root, &x, &y, &width, &height, &border, &depth))
        return false;
    area = CRect(x, y, double(x) + width, double(y) + height);
    return true;
}
} // namespace

void CFrame::beginPlatform()
{
    // Each frame opens its own connection with its window (makeWindow).
}

bool CFrame::makeWindow()
{
    display = XOpenDisplay(nullptr);
    if (!display) return false;
    {
        X11ErrorTrap trap(display);
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
    addFrameConnection(display);
    return true;
}

void CFrame::releaseWindow()
{
    releaseBackBuffer();
    if (!display) return;
    {
        X11ErrorTrap trap(display);
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
    removeFrameConnection(display);
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
        X11ErrorTrap trap(display);
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
    addDamage(area);
}

void CFrame::addDamage(const CRect& area)
{
    if (damage.isEmpty())
        damage = area;
    else
        damage = CRect(std::min(damage.left, area.left), std::min(damage.top, area.top),
                       std::max(damage.right, area.right), std::max(damage.bottom, area.bottom));
}

uint32_t platformTicks()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return uint32_t(uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u);
}

void platformSleep(uint32_t milliseconds)
{
    usleep(useconds_t(milliseconds) * 1000u);
}

bool CFrame::getPosition(double& x, double& y) const
{
    CRect area;
    if (!open || !window || !display || !windowGeometry(display, window, area)) return false;
    x = area.left;
    y = area.top;
    return true;
}

bool CFrame::getWindowExtent(double& width, double& height) const
{
    CRect area;
    if (!windowGeometry(display, window, area)) return false;
    width = area.getWidth();
    height = area.getHeight();
    return true;
}

void CFrame::resizeWindow(double width, double height)
{
    // Only the frame's own window: on X11 the host sizes its windows itself.
    if (!display) return;
    XResizeWindow(display, window, unsigned(std::max(1, truncatePixel(width))),
                  unsigned(std::max(1, truncatePixel(height))));
    XFlush(display);
}

void CFrame::trackMouseLeave()
{
    // X11 reports every leave without asking.
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
