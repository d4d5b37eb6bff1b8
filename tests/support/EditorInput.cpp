#include "tests/support/EditorInput.h"

#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#else
#include <X11/Xlib.h>
#include <dirent.h>
#endif

namespace
{
constexpr int kRestMs = 150;
} // namespace

#ifdef _WIN32

bool PrepareToPost()
{
    return true;
}

void PostLeftClick(void* window, int x, int y, const std::function<void(int)>& run)
{
    const auto post = [window, y](UINT message, int px, WPARAM keys)
    { PostMessageW(static_cast<HWND>(window), message, keys, MAKELPARAM(px, y)); };
    post(WM_MOUSEMOVE, x - 1, 0);
    post(WM_MOUSEMOVE, x, 0);
    run(kRestMs);
    post(WM_LBUTTONDOWN, x, MK_LBUTTON);
    run(kRestMs);
    post(WM_LBUTTONUP, x, 0);
    run(kRestMs);
}

int OpenFileCount()
{
    return 0;
}

#else

namespace
{
// The test's own connection for posting, opened once and kept: an Xvfb started for the tests
// resets whenever its last client leaves.
Display* PostingDisplay()
{
    static Display* display = XOpenDisplay(nullptr);
    return display;
}
} // namespace

bool PrepareToPost()
{
    return PostingDisplay() != nullptr;
}

void PostLeftClick(void* window, int x, int y, const std::function<void(int)>& run)
{
    Display* display = PostingDisplay();
    static Time time = 1000;
    if (!display) return;
    const Window target = static_cast<Window>(reinterpret_cast<uintptr_t>(window));
    const auto post = [&](int type, int px, unsigned int state, unsigned int button)
    {
        XEvent event{};
        XButtonEvent& b = event.xbutton; // motion events share these first fields
        b.type = type;
        b.send_event = True;
        b.display = display;
        b.window = target;
        b.root = DefaultRootWindow(display);
        b.time = time += 700;
        b.x = b.x_root = px;
        b.y = b.y_root = y;
        b.state = state;
        b.button = button;
        b.same_screen = True;
        XSendEvent(display, target, False, 0, &event);
        XFlush(display);
    };
    post(MotionNotify, x - 1, 0, 0);
    post(MotionNotify, x, 0, 0);
    run(kRestMs);
    post(ButtonPress, x, 0, Button1);
    run(kRestMs);
    post(ButtonRelease, x, Button1Mask, Button1);
    run(kRestMs);
}

int OpenFileCount()
{
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd"))
    {
        while (readdir(dir))
            ++count;
        closedir(dir);
    }
    return count;
}

#endif
