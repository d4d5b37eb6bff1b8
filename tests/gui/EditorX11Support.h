#pragma once
// What the Linux editor tests share: the editor's size, its rows and knobs, pictures of cairo
// image surfaces and PNG files, the leveller drawn in one fixed state, the toolkit's live object
// counts, a top-level X window standing in for a host's, and the fixture that opens the built
// QUAR2.so's editor in it. The window helpers need an X server (make test provides Xvfb).
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <cairo.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "effect/XlatEffect.h"
#include "gui/CBaseObject.h"
#include "gui/CBitmap.h"
#include "gui/CFontDesc.h"
#include "host/lib/HostCallback.h"
#include "host/lib/VstLibrary.h"
#include "host/lib/VstPlugin.h"
#include "plugin/EditorSize.h"
#include "tests/support/EditorInput.h"
#include "tests/support/FixedEditorState.h"

constexpr int kWidth = kEditorWidth;
constexpr int kHeight = kEditorHeight;
// Host parameters: the side-chain switch (slider 2), Push Down (slider 5, -30 .. 0 dB) and
// Recovery (slider 7); and the rows' pointer positions.
constexpr VstInt32 kSideChain = 0;
constexpr VstInt32 kPushDown = 3;
constexpr VstInt32 kPullUp = 4;
constexpr VstInt32 kRecovery = 5;
constexpr int kPushDownY = 120;
constexpr int kRecoveryY = 180;
constexpr VstInt32 kBrake = 9;
constexpr int kBrakeY = 21; // the Brake's row in the header band (x 150, y 11, 100 x 20)
// The knobs' top edges (one pixel below their rows) and the knob's size.
constexpr int kKnobTops[] = {51, 81, 111, 141, 171, 201, 231, 270};
constexpr int kKnobWidth = 32;
constexpr int kKnobHeight = 15;

// A picture as 0xAARRGGBB pixels with premultiplied alpha (cairo's), row by row; `at` answers
// the colour without the alpha.
struct Picture
{
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t argb(int x, int y) const
    {
        return (x >= 0 && y >= 0 && x < width && y < height) ? pixels[size_t(y) * width + x]
                                                             : 0xFFFFFFFFu;
    }
    uint32_t at(int x, int y) const { return argb(x, y) & 0xFFFFFFu; }
};

// The pixels of a cairo image surface (for an opaque one, the colours themselves).
Picture FromSurface(cairo_surface_t* surface);

Picture ReadPng(const char* path);
void WritePng(const Picture& p, const std::string& path);

// Whether the knob is at (x, y) of `image`: every pixel the knob covers fully is the knob's own.
bool KnobIsAt(const Picture& image, const Picture& knob, int x, int y);

// The left edge of the knob in the row whose knob top is `top`, or -1.
int KnobAt(const Picture& image, const Picture& knob, int top);

// The leveller with one fixed state put back at the start of every frame (the same state as the
// Windows whole-frame test), so that every frame draws the same picture.
class FixedStateLeveller : public TXlatEffect
{
  public:
    void DoGfx(double width, double height) override
    {
        ApplyFixedEditorState(*this);
        TXlatEffect::DoGfx(width, height);
    }
};

struct LiveCounts
{
    int32_t objects = CBaseObject::getLiveObjectCount();
    int32_t surfaces = CBitmap::getLiveSurfaceCount();
    int32_t faces = CFontDesc::getLiveFaceCount();
    bool operator==(const LiveCounts&) const = default;
};

std::ostream& operator<<(std::ostream& out, const LiveCounts& c);

// The test program's connection to the X server, kept open until the program ends: an X server
// started for tests (Xvfb) resets itself whenever its last client leaves, and refuses
// connections while it does. Holding one keeps it from resetting under the editor's own
// connections; the first connection retries while another program's leaving resets it.
Display* TestDisplay();

// A top-level X window standing in for a host's editor window.
class HostWindow
{
  public:
    HostWindow()
    {
        if (!std::getenv("DISPLAY")) return;
        display = TestDisplay();
        if (!display) return;
        window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, kWidth, kHeight, 0,
                                     0, 0);
        XMapWindow(display, window);
        XSync(display, False);
    }
    ~HostWindow()
    {
        if (!display) return;
        XDestroyWindow(display, window);
        XSync(display, False);
    }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    bool ok() const { return display && window; }
    void* handle() const { return reinterpret_cast<void*>(window); }
    std::vector<Window> children() const
    {
        std::vector<Window> list;
        Window root = 0, parent = 0, *kids = nullptr;
        unsigned int count = 0;
        if (XQueryTree(display, window, &root, &parent, &kids, &count))
        {
            list.assign(kids, kids + count);
            XFree(kids);
        }
        return list;
    }
    Window editor() const
    {
        const std::vector<Window> kids = children();
        return kids.empty() ? 0 : kids.front();
    }
    // The editor window's pixels (empty without one).
    Picture capture() const;
    // Posts a pointer event to the editor window as the server would deliver it, `gap` ms after
    // the previous one (by default apart enough that no two presses make a double click).
    void post(int type, int x, int y, unsigned int state, unsigned int button = 0, Time gap = 700);

    Display* display = nullptr;
    Window window = 0;
    Time time = 1000;
};

// Sends effEditIdle for `milliseconds` (the host's idle timer; the redraw rate needs real time
// between frames).
void IdleFor(CVstPlugin& plugin, int milliseconds);

class EditorThroughTheSo : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display (make test provides Xvfb)";
        ASSERT_TRUE(host.ok()) << "no X connection";
        ASSERT_TRUE(library.open(QUAR2_PLUGIN_PATH)) << library.error();
        std::string error;
        plugin = CVstPlugin::create(library.entry("VSTPluginMain"), callback, error);
        ASSERT_TRUE(plugin) << error;
        plugin->open();
        plugin->setSampleRate(44100.0f);
        plugin->setBlockSize(512);
        plugin->resume();
    }
    void TearDown() override
    {
        if (plugin)
        {
            plugin->dispatch(effEditClose);
            plugin->close();
        }
        plugin.reset();
    }

    // Idles until the editor shows the background at (5, 5).
    bool IdleUntilPainted(const Picture& background)
    {
        for (int i = 0; i < 300; ++i)
        {
            IdleFor(*plugin, 10);
            if (host.capture().at(5, 5) == background.at(5, 5)) return true;
        }
        return false;
    }
    // The pointer comes in and rests over (x, y) for a few frames (the first move only enters
    // the view), then the button goes down and comes up.
    void HoverPressRelease(int x, int y, unsigned int state = 0, int heldMs = 150)
    {
        host.post(MotionNotify, x - 1, y, state);
        host.post(MotionNotify, x, y, state);
        IdleFor(*plugin, 150);
        host.post(ButtonPress, x, y, state, Button1);
        IdleFor(*plugin, heldMs);
        host.post(ButtonRelease, x, y, state | Button1Mask, Button1);
        IdleFor(*plugin, 100);
    }

    HostWindow host;
    CHostCallback callback;
    CVstLibrary library;
    std::unique_ptr<CVstPlugin> plugin;
};
