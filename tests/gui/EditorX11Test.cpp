// The editor on Linux: the leveller's frame drawn by the cairo toolkit against the Windows
// toolkit's reference picture, and the built QUAR2.so's editor opened in an X window made here
// (painted, read back with XGetImage, driven by posted X events, opened and closed many times).
// The window tests need an X server (make test runs them under Xvfb) and skip without DISPLAY.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "effect/XlatEffect.h"
#include "gui/CBaseObject.h"
#include "gui/CBitmap.h"
#include "gui/CFontDesc.h"
#include "gui/CFrame.h"
#include "gui/COffscreenContext.h"
#include "gui/COstraEditor.h"
#include "host/lib/HostCallback.h"
#include "host/lib/VstLibrary.h"
#include "host/lib/VstPlugin.h"
#include "plugin/EditorSize.h"
#include "tests/plugin/ProbeRuntime.h"
#include "tests/support/HostEdits.h"

namespace
{

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

// The leveller with one fixed state put back at the start of every frame (the same state as the
// Windows whole-frame test), so that every frame draws the same picture.
class FixedStateLeveller : public TXlatEffect
{
  public:
    void DoGfx(double width, double height) override
    {
        LevellerVariables& v = vars;
        v.sliderCopy2 = 1.0;
        v.sliderCopy3 = 3.0;
        v.sliderCopy4 = 7.0;
        v.sliderCopy5 = -12.0;
        v.sliderCopy6 = 17.0;
        v.sliderCopy7 = -3.0;
        v.sliderCopy8 = 4.0;
        v.sliderCopy9 = -6.5;
        v.sliderCopy10 = 4.4;
        v.historyStep = 441000.0 / 512.0 / 360.0 * 0.44;
        v.historyBaseCopy = v.historyBase;
        for (int i = 0; i < 400; ++i)
        {
            const double db = 8.0 * std::sin(i * 0.045) + 4.0 * std::sin(i * 0.21);
            Element(v.historyBase + i) = 100.0 - 5.0 * db;
        }
        v.historyWritePos = 215.0;
        v.curveLastY = 371.0;
        v.smoothLastY = 352.0;
        v.graphSmooth = 9000.0;
        v.playState = 1.0;
        v.lastGain = std::pow(10.0, 4.5 / 20.0);
        v.maxGainDb = 7.25;
        v.maxAttenuationDb = -9.5;
        v.rerunSliderCode = 0.0;
        mouseX = mouseY = mouseButtons = 0.0;
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

std::ostream& operator<<(std::ostream& out, const LiveCounts& c)
{
    return out << c.objects << " objects, " << c.surfaces << " surfaces, " << c.faces << " faces";
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
    Picture capture() const
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
    // Posts a pointer event to the editor window as the server would deliver it, `gap` ms after
    // the previous one (by default apart enough that no two presses make a double click).
    void post(int type, int x, int y, unsigned int state, unsigned int button = 0, Time gap = 700)
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

    Display* display = nullptr;
    Window window = 0;
    Time time = 1000;
};

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

} // namespace

// The leveller's frame drawn by the cairo toolkit in one fixed state, against the picture the
// Windows toolkit draws in that state: the artwork (background and knobs) pixel for pixel, text
// and lines up to their anti-aliasing. Leaves both side by side in artifacts/.
TEST(LevellerFrameOnCairo, ImagesAsTheArtworkTextAndLinesNearTheWindowsFrame)
{
    const LiveCounts before;
    const Picture reference = ReadPng(LEVELLER_REFERENCE);
    const Picture background = ReadPng(ARTWORK_BACKGROUND);
    const Picture knob = ReadPng(ARTWORK_KNOB);
    ASSERT_EQ(reference.width, kWidth);
    ASSERT_EQ(knob.width, kKnobWidth);
    ASSERT_EQ(knob.height, kKnobHeight);

    Picture ours;
    {
        auto* leveller = new FixedStateLeveller();
        ProbeInstance instance(leveller);
        instance.dispatch(effOpen);
        instance.dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
        instance.dispatch(effSetBlockSize, 0, 512);
        instance.dispatch(effMainsChanged, 0, 1);
        // No parent window: a frame without a window, drawn into an off-screen context.
        ASSERT_EQ(instance.dispatch(effEditOpen, 0, 0, nullptr), 1);
        auto* editor = dynamic_cast<COstraEditor*>(instance.plugin->getEditor());
        ASSERT_NE(editor, nullptr);
        ASSERT_NE(editor->getFrame(), nullptr);
        auto* offscreen = new COffscreenContext(editor->getFrame(), kWidth, kHeight);
        editor->getFrame()->drawRect(offscreen, CRect(0, 0, kWidth, kHeight));
        ours = FromSurface(offscreen->getBitmap()->getBitmap());
        offscreen->forget();
        instance.dispatch(effEditClose);
    }
    EXPECT_EQ(LiveCounts(), before) << "toolkit objects, surfaces or fonts left";
    ASSERT_EQ(ours.width, kWidth);

    // Side by side: the Windows frame, ours, and their differences in red.
    Picture sideBySide{3 * kWidth, kHeight, {}};
    int differing = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int side = 0; side < 3; ++side)
            for (int x = 0; x < kWidth; ++x)
            {
                const bool differs = ours.at(x, y) != reference.at(x, y);
                if (side == 0) differing += differs ? 1 : 0;
                sideBySide.pixels.push_back(side == 0   ? reference.at(x, y)
                                            : side == 1 ? ours.at(x, y)
                                            : differs   ? 0xFF0000u
                                                        : (ours.at(x, y) >> 2) & 0x3F3F3Fu);
            }
    WritePng(sideBySide, LEVELLER_ARTIFACT);
    const double share = double(differing) / (kWidth * kHeight);
    std::printf("[          ] differing pixels against the Windows frame: %d (%.2f %%), see %s\n",
                differing, 100.0 * share, LEVELLER_ARTIFACT);

    // Every knob where the Windows frame has it, pixel for pixel as there.
    for (int top : kKnobTops)
    {
        const int windowsX = KnobAt(reference, knob, top);
        ASSERT_GE(windowsX, 0) << "no knob in the reference's row at y " << top;
        for (int y = top; y < top + kKnobHeight; ++y)
            for (int x = windowsX; x < windowsX + kKnobWidth; ++x)
                ASSERT_EQ(ours.at(x, y), reference.at(x, y)) << "knob pixel " << x << ", " << y;
    }
    // Background where the script draws nothing over it, identical to the artwork.
    for (auto [x0, y0] : {std::pair{0, 0}, {200, 20}, {400, 40}, {0, 290}, {380, 560}, {90, 520}})
        for (int y = y0; y < y0 + 10; ++y)
            for (int x = x0; x < x0 + 10; ++x)
                ASSERT_EQ(ours.at(x, y), background.at(x, y)) << x << ", " << y;
    // Text and lines: where they are drawn, both agree but for anti-aliasing.
    EXPECT_LT(share, 0.06);
}

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

TEST_F(EditorThroughTheSo, PaintsTheArtworkAndFollowsPostedMouseEvents)
{
    const Picture background = ReadPng(ARTWORK_BACKGROUND);
    const Picture knob = ReadPng(ARTWORK_KNOB);
    ASSERT_EQ(plugin->effect()->flags & effFlagsHasEditor, effFlagsHasEditor);
    ERect* rect = nullptr;
    ASSERT_EQ(plugin->dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, kWidth);
    EXPECT_EQ(rect->bottom - rect->top, kHeight);
    ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, host.handle()), 1);
    ASSERT_EQ(host.children().size(), 1u);
    ASSERT_TRUE(IdleUntilPainted(background)) << "the editor never painted";

    // Knobs at their default values: left edges 116 (rows 3, 4, 6, 8), 288 (Push Down), 202
    // (rows 7, 9) and 333 (row 10).
    Picture shot = host.capture();
    const int defaults[] = {116, 116, 288, 116, 202, 116, 202, 333};
    for (size_t i = 0; i < std::size(kKnobTops); ++i)
        EXPECT_TRUE(KnobIsAt(shot, knob, defaults[i], kKnobTops[i])) << "row at " << kKnobTops[i];
    for (auto [x, y] : {std::pair{5, 5}, {215, 25}, {425, 45}, {5, 300}, {425, 595}})
        EXPECT_EQ(shot.at(x, y), background.at(x, y)) << x << ", " << y;

    // Push Down (-30..0): a press at x 215 after a hover gives ceil(87 / 172 * 30) - 30 = -14,
    // and its knob follows (left edge 116 + 16 / 30 x 172).
    EXPECT_NEAR(plugin->getParameter(kPushDown), 1.0, 1e-6);
    HoverPressRelease(215, kPushDownY);
    EXPECT_NEAR(plugin->getParameter(kPushDown), 16.0 / 30.0, 1e-6);
    IdleFor(*plugin, 100);
    shot = host.capture();
    EXPECT_TRUE(KnobIsAt(shot, knob, 116 + int(16.0 / 30.0 * 172.0), 111));
    EXPECT_FALSE(KnobIsAt(shot, knob, 288, 111));

    // Shift held at the press: fine mode, anchored where the press was (no jump).
    HoverPressRelease(200, kPushDownY, ShiftMask);
    EXPECT_NEAR(plugin->getParameter(kPushDown), 13.0 / 30.0, 1e-6);

    // Control held at the press: Recovery (-10 .. 0, parameter 5) back to its default of -5.
    plugin->setParameter(kRecovery, 0.8f);
    HoverPressRelease(300, kRecoveryY, ControlMask);
    EXPECT_NEAR(plugin->getParameter(kRecovery), 0.5, 1e-6);

    // The Brake (-80..0, starting "Off" with its knob at the right end, left edge 223): a
    // press at x 199 gives ceil(36 / 72 * 80) - 80 = -40, and its knob follows (151 + 36).
    EXPECT_TRUE(KnobIsAt(shot, knob, 223, 12));
    EXPECT_EQ(plugin->getParameter(kBrake), 1.0f);
    HoverPressRelease(199, kBrakeY);
    EXPECT_NEAR(plugin->getParameter(kBrake), 0.5, 1e-6);
    EXPECT_EQ(plugin->parameterDisplay(kBrake), "-40.00");
    IdleFor(*plugin, 100);
    EXPECT_TRUE(KnobIsAt(host.capture(), knob, 187, 12));
    // Control at the press: back to its default, "Off".
    HoverPressRelease(199, kBrakeY, ControlMask);
    EXPECT_EQ(plugin->getParameter(kBrake), 1.0f);

    // The side-chain switch toggles once per press, however long the button is held.
    EXPECT_EQ(plugin->getParameter(kSideChain), 0.0f);
    HoverPressRelease(120, 279, 0, 400);
    EXPECT_EQ(plugin->getParameter(kSideChain), 1.0f);
    HoverPressRelease(120, 279);
    EXPECT_EQ(plugin->getParameter(kSideChain), 0.0f);

    plugin->dispatch(effEditClose);
    EXPECT_TRUE(host.children().empty());

    // A host that destroys its window before effEditClose: the editor lives on without a window
    // (no X error reaches the host), and opens again in another window.
    {
        HostWindow doomed;
        ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, doomed.handle()), 1);
        IdleFor(*plugin, 50);
    }
    IdleFor(*plugin, 50);
    plugin->dispatch(effEditClose);
    ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, host.handle()), 1);
    EXPECT_TRUE(IdleUntilPainted(background));
    // A window id that names no window: no window, no X error, and idle and close still work.
    plugin->dispatch(effEditClose);
    ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(uintptr_t(0x7ffffff0))),
              1);
    IdleFor(*plugin, 20);
    plugin->dispatch(effEditClose);
}

// 100 times open, paint, close in one host window: no X window, connection, surface, font or
// toolkit object is left (counted in process; windows and connections through the .so too).
TEST_F(EditorThroughTheSo, OpenPaintCloseAHundredTimesLeavesNothing)
{
    const Picture background = ReadPng(ARTWORK_BACKGROUND);
    const int filesBefore = OpenFileCount();
    for (int cycle = 0; cycle < 10; ++cycle)
    {
        ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, host.handle()), 1);
        ASSERT_TRUE(IdleUntilPainted(background)) << "cycle " << cycle;
        plugin->dispatch(effEditClose);
        XSync(host.display, False);
        ASSERT_TRUE(host.children().empty()) << "cycle " << cycle;
    }
    EXPECT_EQ(OpenFileCount(), filesBefore) << "X connections left open";

    // The same editor in this program, where the toolkit's own counts can be read. The first
    // paint loads the script's images and fonts, which stay with the plug-in until it closes.
    const LiveCounts withoutPlugin;
    {
        ProbeInstance instance(new FixedStateLeveller());
        instance.dispatch(effOpen);
        instance.dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
        instance.dispatch(effMainsChanged, 0, 1);
        auto* editor = dynamic_cast<COstraEditor*>(instance.plugin->getEditor());
        ASSERT_NE(editor, nullptr);
        LiveCounts afterFirst;
        for (int cycle = 0; cycle < 100; ++cycle)
        {
            ASSERT_EQ(instance.dispatch(effEditOpen, 0, 0, host.handle()), 1);
            ASSERT_EQ(host.children().size(), 1u) << "cycle " << cycle;
            editor->getFrame()->invalid();
            instance.dispatch(effEditIdle); // handles the events and paints
            ASSERT_NE(editor->getFrame()->getBackBuffer(), nullptr) << "cycle " << cycle;
            instance.dispatch(effEditClose);
            XSync(host.display, False);
            ASSERT_TRUE(host.children().empty()) << "cycle " << cycle;
            if (cycle == 0) afterFirst = LiveCounts();
            ASSERT_EQ(LiveCounts(), afterFirst) << "cycle " << cycle;
        }
    }
    EXPECT_EQ(LiveCounts(), withoutPlugin);
    EXPECT_EQ(OpenFileCount(), filesBefore) << "X connections left open";
}

// Every change the mouse makes reaches the host as it happens, as one gesture per hold, on the
// thread that idles the editor; values the host sets are never echoed, and while the mouse holds
// a parameter the host's automation of it does not take turns with the mouse.
TEST_F(EditorThroughTheSo, TellsTheHostOfEveryEditTheMouseMakes)
{
    const Picture background = ReadPng(ARTWORK_BACKGROUND);
    ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, host.handle()), 1);
    ASSERT_TRUE(IdleUntilPainted(background));
    // Hover, press at x0, drag to x1 with the button held, release.
    const auto drag = [&](int x0, int x1, int y, unsigned int state = 0)
    {
        host.post(MotionNotify, x0 - 1, y, state);
        host.post(MotionNotify, x0, y, state);
        IdleFor(*plugin, 150);
        host.post(ButtonPress, x0, y, state, Button1);
        IdleFor(*plugin, 120);
        host.post(MotionNotify, x1, y, state | Button1Mask);
        IdleFor(*plugin, 120);
        host.post(ButtonRelease, x1, y, state | Button1Mask, Button1);
        IdleFor(*plugin, 100);
    };
    const auto gesture = [&](VstInt32 index, float before, int changes = -1)
    {
        const std::vector<HostRequest> edits = EditRequests(callback);
        callback.clearRequests();
        return IsGesture(edits, index, before, plugin->getParameter(index), changes);
    };

    // Each slider row, parameters 1 to 8 (sliders 3 to 10; the display speed is a parameter the
    // host keeps like the others).
    const int rowYs[] = {60, 90, 120, 150, 180, 210, 240, 279};
    for (VstInt32 index = 1; index <= 8; ++index)
    {
        callback.clearRequests();
        const float before = plugin->getParameter(index);
        if (index < 8)
            drag(150, 250, rowYs[index - 1]);
        else
            drag(280, 340, rowYs[index - 1]);
        EXPECT_NE(plugin->getParameter(index), before) << index;
        EXPECT_TRUE(gesture(index, before)) << "row of parameter " << index;
    }

    // The switch: one click, one whole gesture.
    callback.clearRequests();
    HoverPressRelease(120, 279);
    EXPECT_TRUE(gesture(kSideChain, 0.0f, 1));
    EXPECT_EQ(plugin->getParameter(kSideChain), 1.0f);

    // Control at the press: the default (Recovery -5) in one automate; shift: fine steps from
    // the anchor, -17 at the press and -13 at x 240.
    plugin->setParameter(kRecovery, 0.8f);
    IdleFor(*plugin, 100);
    callback.clearRequests();
    drag(300, 250, kRecoveryY, ControlMask);
    EXPECT_TRUE(gesture(kRecovery, 0.8f, 1));
    EXPECT_NEAR(plugin->getParameter(kRecovery), 0.5, 1e-6);
    const float pushDownBefore = plugin->getParameter(kPushDown);
    drag(200, 240, kPushDownY, ShiftMask);
    EXPECT_TRUE(gesture(kPushDown, pushDownBefore, 2));
    EXPECT_NEAR(plugin->getParameter(kPushDown), 17.0 / 30.0, 1e-6);

    // A double click is two presses: two gestures, the second changing nothing.
    const auto hover = [&](int x, int y)
    {
        host.post(MotionNotify, x - 1, y, 0);
        host.post(MotionNotify, x, y, 0);
        IdleFor(*plugin, 150);
    };
    hover(150, kPushDownY);
    const float doubleBefore = plugin->getParameter(kPushDown);
    host.post(ButtonPress, 150, kPushDownY, 0, Button1);
    IdleFor(*plugin, 100);
    host.post(ButtonRelease, 150, kPushDownY, Button1Mask, Button1, 50);
    IdleFor(*plugin, 100);
    host.post(ButtonPress, 150, kPushDownY, 0, Button1, 50);
    IdleFor(*plugin, 100);
    host.post(ButtonRelease, 150, kPushDownY, Button1Mask, Button1, 50);
    IdleFor(*plugin, 100);
    std::vector<HostRequest> edits = EditRequests(callback);
    callback.clearRequests();
    ASSERT_EQ(edits.size(), 5u);
    const float clicked = plugin->getParameter(kPushDown);
    EXPECT_TRUE(IsGesture({edits.begin(), edits.begin() + 3}, kPushDown, doubleBefore, clicked, 1));
    EXPECT_TRUE(IsGesture({edits.begin() + 3, edits.end()}, kPushDown, clicked, clicked, 0));

    // Values the host sets are not echoed, frames or not.
    plugin->setParameter(kPushDown, 0.25f);
    plugin->setParameter(kSideChain, 0.0f);
    IdleFor(*plugin, 150);
    EXPECT_TRUE(EditRequests(callback).empty());

    // While the mouse holds Push Down, the host's automation of it does not move it; Pull Up's
    // does. After the release the host has Push Down again.
    hover(150, kPushDownY);
    const float heldBefore = plugin->getParameter(kPushDown);
    host.post(ButtonPress, 150, kPushDownY, 0, Button1);
    IdleFor(*plugin, 100);
    const float held = plugin->getParameter(kPushDown);
    plugin->setParameter(kPushDown, 0.9f);
    plugin->setParameter(kPullUp, 0.5f);
    EXPECT_EQ(plugin->getParameter(kPushDown), held);
    EXPECT_NEAR(plugin->getParameter(kPullUp), 0.5, 1e-6);
    IdleFor(*plugin, 100);
    EXPECT_EQ(plugin->getParameter(kPushDown), held);
    host.post(ButtonRelease, 150, kPushDownY, Button1Mask, Button1);
    IdleFor(*plugin, 100);
    plugin->setParameter(kPushDown, 0.9f);
    EXPECT_NEAR(plugin->getParameter(kPushDown), 0.9, 1e-6);
    EXPECT_TRUE(IsGesture(EditRequests(callback), kPushDown, heldBefore, held, 1));

    // The editor closing while the mouse holds Pull Up ends the gesture and gives it back.
    hover(150, 150);
    callback.clearRequests();
    host.post(ButtonPress, 150, 150, 0, Button1);
    IdleFor(*plugin, 100);
    plugin->dispatch(effEditClose);
    EXPECT_TRUE(IsGesture(EditRequests(callback), kPullUp, 0.5f, plugin->getParameter(kPullUp), 1));
    plugin->setParameter(kPullUp, 0.5f);
    EXPECT_NEAR(plugin->getParameter(kPullUp), 0.5, 1e-6);
}
