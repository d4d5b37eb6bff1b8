// The editor host window on Linux: an X11 top-level window (Xlib) whose id is the parent handed
// to effEditOpen, as Linux hosts do. The plug-in draws into its child window over its own
// connection to the X server; this side only keeps its window alive, calls effEditIdle, notices
// through the DAMAGE extension when the editor's pixels changed, and reads them back with
// XGetImage.

#include "host/lib/EditorHostWindow.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xcomposite.h>
#include <X11/extensions/Xdamage.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

namespace
{

// How long the editor's pixels must stay unchanged before capture() reads them.
constexpr double kQuietMs = 40.0;

// One connection for every host window of the process, opened on first use and kept: hosts
// keep theirs for their whole life too, and closing it while a plug-in still holds windows
// under ours would take those away.
struct HostDisplay
{
    Display* display = nullptr;
    bool tried = false;
    int damageEvent = 0; // first event number of DAMAGE, when the server has it
    bool hasDamage = false;
    bool hasComposite = false;
};

HostDisplay& hostDisplay()
{
    static HostDisplay d;
    if (!d.tried)
    {
        d.tried = true;
        d.display = XOpenDisplay(nullptr);
        int damageError = 0;
        int compositeEvent = 0, compositeError = 0, major = 0, minor = 2;
        if (d.display != nullptr)
        {
            d.hasDamage = XDamageQueryExtension(d.display, &d.damageEvent, &damageError);
            d.hasComposite =
                XCompositeQueryExtension(d.display, &compositeEvent, &compositeError) &&
                XCompositeQueryVersion(d.display, &major, &minor) && (major > 0 || minor >= 2);
        }
    }
    return d;
}

// X protocol errors arrive asynchronously and Xlib's default handler ends the process: around
// each request that may fail on a window the plug-in owns (it may destroy it at any time), a
// handler that only counts them is put in place and the connection synchronised.
int trappedErrors = 0;
int countError(Display*, XErrorEvent*)
{
    ++trappedErrors;
    return 0;
}

class ErrorTrap
{
  public:
    explicit ErrorTrap(Display* d) : display(d)
    {
        XSync(display, False);
        trappedErrors = 0;
        previous = XSetErrorHandler(countError);
    }
    // True when no request since the trap was set failed.
    bool clean()
    {
        XSync(display, False);
        return trappedErrors == 0;
    }
    ~ErrorTrap()
    {
        XSync(display, False);
        XSetErrorHandler(previous);
    }

  private:
    Display* display;
    int (*previous)(Display*, XErrorEvent*) = nullptr;
};

Window asWindow(void* handle)
{
    return static_cast<Window>(reinterpret_cast<uintptr_t>(handle));
}

void* asHandle(Window window)
{
    return reinterpret_cast<void*>(static_cast<uintptr_t>(window));
}

// The first child of `window` (the plug-in's editor window), or 0.
Window firstChild(Display* display, Window window)
{
    Window root = 0, parent = 0, found = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    ErrorTrap trap(display);
    if (XQueryTree(display, window, &root, &parent, &children, &count) && count > 0)
        found = children[0];
    if (children != nullptr) XFree(children);
    return trap.clean() ? found : 0;
}

// The channel of a pixel value under `mask` (any width), widened or narrowed to 8 bits.
uint8_t channel(unsigned long pixel, unsigned long mask)
{
    if (mask == 0) return 0;
    int shift = 0;
    while (((mask >> shift) & 1u) == 0)
        ++shift;
    const unsigned long value = (pixel & mask) >> shift;
    const unsigned long top = mask >> shift;
    return uint8_t((value * 255u + top / 2) / top);
}

double millisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// The DAMAGE object watching the editor's pixels, kept per host window (one window at a time
// is usual; a map keeps the header free of X types).
struct Watch
{
    void* window = nullptr;
    Damage damage = 0;
};
std::vector<Watch> watches;

Damage& damageOf(void* window)
{
    for (Watch& w : watches)
        if (w.window == window) return w.damage;
    watches.push_back({window, 0});
    return watches.back().damage;
}

void forgetDamage(Display* display, void* window)
{
    for (auto it = watches.begin(); it != watches.end(); ++it)
        if (it->window == window)
        {
            if (it->damage != 0)
            {
                ErrorTrap trap(display);
                XDamageDestroy(display, it->damage);
            }
            watches.erase(it);
            return;
        }
}

// Handles every event waiting on the host's connection; answers whether the editor's pixels
// changed (a DAMAGE report) among them.
bool drainEvents(Display* display)
{
    const HostDisplay& d = hostDisplay();
    bool damaged = false;
    while (XPending(display) > 0)
    {
        XEvent event;
        XNextEvent(display, &event);
        if (d.hasDamage && event.type == d.damageEvent + XDamageNotify)
        {
            const auto* notify = reinterpret_cast<XDamageNotifyEvent*>(&event);
            ErrorTrap trap(display);
            XDamageSubtract(display, notify->damage, None, None);
            damaged = true;
        }
    }
    return damaged;
}

} // namespace

bool CEditorHostWindow::makeWindow(int w, int h, std::string& error)
{
    Display* display = hostDisplay().display;
    if (display == nullptr)
    {
        error = "cannot open the X display for the editor's window (is DISPLAY set?)";
        return false;
    }
    const int screen = DefaultScreen(display);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(display, screen);
    attributes.event_mask = StructureNotifyMask | ExposureMask;
    const Window created = XCreateWindow(display, RootWindow(display, screen), 0, 0, unsigned(w),
                                         unsigned(h), 0, CopyFromParent, InputOutput,
                                         CopyFromParent, CWBackPixel | CWEventMask, &attributes);
    if (created == 0)
    {
        error = "cannot create the editor's window";
        return false;
    }
    XStoreName(display, created, "QUAR2 editor");
    // Where the server can, the window and the editor in it are drawn into a picture of their
    // own rather than onto the screen: XGetImage then reads exactly the editor's pixels even
    // when other programs' windows lie over it (all windows sit at 0, 0 on a display without a
    // window manager, such as the Xvfb the tests share), and ours covers nobody else's.
    if (hostDisplay().hasComposite)
    {
        ErrorTrap trap(display);
        XCompositeRedirectWindow(display, created, CompositeRedirectManual);
    }
    // A fixed size: the editor's own, as the plug-in reports it.
    XSizeHints* hints = XAllocSizeHints();
    if (hints != nullptr)
    {
        hints->flags = PMinSize | PMaxSize;
        hints->min_width = hints->max_width = w;
        hints->min_height = hints->max_height = h;
        XSetWMNormalHints(display, created, hints);
        XFree(hints);
    }
    XMapWindow(display, created);
    XSync(display, False);
    window = asHandle(created);
    return true;
}

bool CEditorHostWindow::openEditor(CVstPlugin& plugin)
{
    Display* display = hostDisplay().display;
    const VstIntPtr opened = plugin.dispatch(effEditOpen, 0, 0, window);
    XSync(display, False);
    return opened != 0 || firstChild(display, asWindow(window)) != 0;
}

void CEditorHostWindow::resizeClient(int w, int h)
{
    XResizeWindow(hostDisplay().display, asWindow(window), unsigned(w), unsigned(h));
}

void CEditorHostWindow::watchPaints()
{
    // Paints are noticed as changes of the editor's pixels (its own window when it made one).
    if (!hostDisplay().hasDamage) return;
    Display* display = hostDisplay().display;
    const Window editor = firstChild(display, asWindow(window));
    ErrorTrap trap(display);
    damageOf(window) =
        XDamageCreate(display, editor != 0 ? editor : asWindow(window), XDamageReportNonEmpty);
    if (!trap.clean()) damageOf(window) = 0;
}

void CEditorHostWindow::stopWatchingPaints()
{
    forgetDamage(hostDisplay().display, window);
}

void CEditorHostWindow::waitForQuietPixels()
{
    // The editor's last drawing may still wait in its own connection, behind other clients of a
    // busy server: read only once its pixels have stopped changing (at most a second).
    Display* display = hostDisplay().display;
    if (display == nullptr || !hostDisplay().hasDamage) return;
    const auto start = std::chrono::steady_clock::now();
    auto quietSince = start;
    while (millisecondsSince(quietSince) < kQuietMs && millisecondsSince(start) < 1000.0)
    {
        XSync(display, False);
        if (drainEvents(display)) quietSince = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void CEditorHostWindow::destroyWindow()
{
    // The plug-in may have left its window under ours; destroying ours takes it too.
    ErrorTrap trap(hostDisplay().display);
    XDestroyWindow(hostDisplay().display, asWindow(window));
}

double CEditorHostWindow::nowMs()
{
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void CEditorHostWindow::pauseMs(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void CEditorHostWindow::pump()
{
    if (Display* display = hostDisplay().display) drainEvents(display);
}

void CEditorHostWindow::pumpTimed()
{
    // On X11 the editor paints inside effEditIdle (it handles its own connection's events
    // there), so idle() times the idle calls instead; this only keeps the connection drained.
    pump();
}

void CEditorHostWindow::idle(int milliseconds)
{
    if (window == nullptr) return;
    Display* display = hostDisplay().display;
    const auto record = [this](double ms) { recordPaint(ms); };
    // The plug-in's drawing reaches the server over its own connection, which the server may
    // serve after our round trip: a change reported only before the next call belongs to the
    // call before (no other call of the plug-in ran in between).
    double unreported = -1.0;
    const auto start = std::chrono::steady_clock::now();
    do
    {
        if (drainEvents(display) && unreported >= 0.0) record(unreported);
        const auto before = std::chrono::steady_clock::now();
        shownPlugin->dispatch(effEditIdle);
        const double ms = millisecondsSince(before);
        XSync(display, False);
        const bool drew = drainEvents(display);
        if (drew) record(ms);
        unreported = drew ? -1.0 : ms;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (millisecondsSince(start) < milliseconds);
    XSync(display, False);
    if (drainEvents(display) && unreported >= 0.0) record(unreported);
}

bool CEditorHostWindow::captureWindow(void* window, std::vector<uint8_t>& rgb, int& width,
                                      int& height, std::string& error)
{
    Display* display = hostDisplay().display;
    if (display == nullptr || window == nullptr)
    {
        error = "no window to read";
        return false;
    }
    ErrorTrap trap(display);
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, asWindow(window), &attributes) || !trap.clean() ||
        attributes.map_state != IsViewable)
    {
        error = "no window to read";
        return false;
    }
    const int w = std::max(1, attributes.width);
    const int h = std::max(1, attributes.height);
    // Read from the server's picture of the window, child windows included (the window's own
    // picture when it is redirected, see makeWindow; else the screen's).
    XImage* image =
        XGetImage(display, asWindow(window), 0, 0, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
    if (image == nullptr || !trap.clean())
    {
        if (image != nullptr) XDestroyImage(image);
        error = "cannot read the editor's pixels";
        return false;
    }
    width = w;
    height = h;
    rgb.resize(size_t(w) * size_t(h) * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            const unsigned long p = XGetPixel(image, x, y);
            uint8_t* out = &rgb[(size_t(y) * size_t(w) + size_t(x)) * 3];
            out[0] = channel(p, image->red_mask);
            out[1] = channel(p, image->green_mask);
            out[2] = channel(p, image->blue_mask);
        }
    XDestroyImage(image);
    return true;
}

void* CEditorHostWindow::editorWindow() const
{
    Display* display = hostDisplay().display;
    if (window == nullptr || display == nullptr) return nullptr;
    return asHandle(firstChild(display, asWindow(window)));
}
