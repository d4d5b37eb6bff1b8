#include "tests/gui/EditorX11Support.h"

#include <X11/Xutil.h>

#include <chrono>
#include <thread>

// The pixels of a cairo image surface (for an opaque one, the colours themselves).
Picture FromSurface(cairo_surface_t* surface)
{
    Picture p;
    if (!surface || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) return p;
    cairo_surface_flush(surface);
    p.width = cairo_image_surface_get_width(surface);
    p.height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            p.pixels.push_back(reinterpret_cast<const uint32_t*>(data + y * stride)[x]);
    return p;
}

Picture ReadPng(const char* path)
{
    cairo_surface_t* surface = cairo_image_surface_create_from_png(path);
    Picture p = FromSurface(surface);
    cairo_surface_destroy(surface);
    return p;
}

void WritePng(const Picture& p, const std::string& path)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, p.width, p.height);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            reinterpret_cast<uint32_t*>(data + y * stride)[x] = p.at(x, y);
    cairo_surface_mark_dirty(surface);
    cairo_surface_write_to_png(surface, path.c_str());
    cairo_surface_destroy(surface);
}

// Whether the knob is at (x, y) of `image`: every pixel the knob covers fully is the knob's own.
bool KnobIsAt(const Picture& image, const Picture& knob, int x, int y)
{
    int opaque = 0;
    for (int ky = 0; ky < knob.height; ++ky)
        for (int kx = 0; kx < knob.width; ++kx)
        {
            if ((knob.argb(kx, ky) >> 24) != 255) continue;
            if (image.at(x + kx, y + ky) != knob.at(kx, ky)) return false;
            ++opaque;
        }
    return opaque > 0;
}

// The left edge of the knob in the row whose knob top is `top`, or -1.
int KnobAt(const Picture& image, const Picture& knob, int top)
{
    for (int x = 0; x + knob.width <= image.width; ++x)
        if (KnobIsAt(image, knob, x, top)) return x;
    return -1;
}

std::ostream& operator<<(std::ostream& out, const LiveCounts& c)
{
    return out << c.objects << " objects, " << c.surfaces << " surfaces, " << c.faces << " faces";
}

// The test program's connection to the X server, kept open until the program ends: an X server
// started for tests (Xvfb) resets itself whenever its last client leaves, and refuses
// connections while it does. Holding one keeps it from resetting under the editor's own
// connections; the first connection retries while another program's leaving resets it.
Display* TestDisplay()
{
    static Display* display = []
    {
        Display* opened = nullptr;
        for (int attempt = 0; attempt < 50 && !opened; ++attempt)
        {
            opened = XOpenDisplay(nullptr);
            if (!opened) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return opened;
    }();
    return display;
}

Picture HostWindow::capture() const
{
    Picture p;
    const Window child = editor();
    if (!child) return p;
    XImage* image = XGetImage(display, child, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
    if (!image) return p;
    p.width = kWidth;
    p.height = kHeight;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            p.pixels.push_back(uint32_t(XGetPixel(image, x, y)) & 0xFFFFFF);
    XDestroyImage(image);
    return p;
}

void HostWindow::post(int type, int x, int y, unsigned int state, unsigned int button, Time gap)
{
    const Window child = editor();
    XEvent event{};
    time += gap;
    // Motion and button events share their first fields (XButtonEvent's layout).
    XButtonEvent& b = event.xbutton;
    b.type = type;
    b.send_event = True;
    b.display = display;
    b.window = child;
    b.root = DefaultRootWindow(display);
    b.time = time;
    b.x = b.x_root = x;
    b.y = b.y_root = y;
    b.state = state;
    b.button = button;
    b.same_screen = True;
    if (type == MotionNotify) event.xmotion.is_hint = NotifyNormal;
    XSendEvent(display, child, False, 0, &event);
    XFlush(display);
}

// Sends effEditIdle for `milliseconds` (the host's idle timer; the redraw rate needs real time
// between frames).
void IdleFor(CVstPlugin& plugin, int milliseconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end)
    {
        plugin.dispatch(effEditIdle);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}
