// The Linux test plug-in's editor: the same picture as the Windows one (CliTestEditor.cpp), a
// 200 x 100 child window of the host's X11 window, red on the left and blue on the right with a
// green bar at the top as wide as the audio blocks processed. It keeps its own connection to the
// X server, as Linux plug-ins do, and draws inside each idle call.

#include "CliTestEditor.h"

#include <X11/Xlib.h>

#include <cstdint>

namespace
{

Display* display = nullptr;
Window window = 0;
GC gc = nullptr;

unsigned long rgb(int r, int g, int b)
{
    // The default visual of Xvfb and desktops: 24-bit TrueColor, 0xRRGGBB.
    return (unsigned long)(r << 16 | g << 8 | b);
}

void paint(int blocks)
{
    XSetForeground(display, gc, rgb(255, 0, 0));
    XFillRectangle(display, window, gc, 0, 0, 100, 100);
    XSetForeground(display, gc, rgb(0, 0, 255));
    XFillRectangle(display, window, gc, 100, 0, 100, 100);
    if (blocks > 0)
    {
        XSetForeground(display, gc, rgb(0, 255, 0));
        XFillRectangle(display, window, gc, 0, 0, unsigned(blocks), 10);
    }
    XFlush(display);
}

} // namespace

bool TestEditorOpen(void* parent)
{
    TestEditorClose();
    display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;
    const Window parentWindow = Window(reinterpret_cast<uintptr_t>(parent));
    window = XCreateSimpleWindow(display, parentWindow, 0, 0, kTestEditorWidth, kTestEditorHeight,
                                 0, 0, 0);
    XSelectInput(display, window, ExposureMask);
    gc = XCreateGC(display, window, 0, nullptr);
    XMapWindow(display, window);
    XSync(display, False);
    return true;
}

void TestEditorIdle(int blocksProcessed)
{
    if (display == nullptr) return;
    while (XPending(display) > 0)
    {
        XEvent event;
        XNextEvent(display, &event);
    }
    paint(blocksProcessed < kTestEditorWidth ? blocksProcessed : kTestEditorWidth);
}

void TestEditorClose()
{
    if (display == nullptr) return;
    XFreeGC(display, gc);
    XDestroyWindow(display, window);
    XCloseDisplay(display);
    display = nullptr;
    window = 0;
    gc = nullptr;
}
