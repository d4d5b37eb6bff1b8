#pragma once
// What the X11 frame files share: the trap for X errors on a frame's own connection, and the
// connections of the frames that have a window.
//
// All operations: [UI thread].

#include <X11/Xlib.h>

// X reports failures (a parent window id that names no window, a window the host destroyed
// before ours was told) asynchronously, and Xlib's default handler ends the process. While the
// frame makes, paints or destroys its window and handles its events, failures on the frame's own
// connection are caught by a trap and counted; any other connection's go to the handler that was
// installed before (the host's). Traps nest: only the outermost one installs and restores.
class X11ErrorTrap
{
  public:
    explicit X11ErrorTrap(Display* display);
    ~X11ErrorTrap();
    X11ErrorTrap(const X11ErrorTrap&) = delete;
    X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;
    // Whether any request so far failed (after a round trip).
    bool failed() const;

  private:
    Display* display;
};

// The connection of a frame that made its window, until it closes it.
void addFrameConnection(Display* display);
void removeFrameConnection(Display* display);
// The connection of the first frame with a window, or null.
Display* firstFrameConnection();
