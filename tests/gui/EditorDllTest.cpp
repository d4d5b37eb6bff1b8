// The editor of the built QUAR2.dll, opened the way a host opens it: effEditOpen in a host
// window, effEditIdle until it paints, then the window's pixels read with BitBlt and compared
// with the artwork (decoded from this program's own copy of the "DATA" resources); and the
// editor's OLE use on the threads a host shows it on; and what the editor's mouse tells the host.
// (How mouse messages move the sliders is the leveller editor's Wine test.)
#include <gtest/gtest.h>

#include <windows.h>
#include <objidl.h>
#include <ole2.h>
#include <gdiplus.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "gui/CBitmap.h"
#include "host/lib/HostCallback.h"
#include "host/lib/VstLibrary.h"
#include "host/lib/VstPlugin.h"
#include "runtime/ModuleHandle.h"
#include "tests/support/EditorWindowSupport.h"
#include "tests/support/HostEdits.h"
#include "plugin/EditorSize.h"

namespace
{

constexpr int kWidth = kEditorWidth;
constexpr int kHeight = kEditorHeight;
// Host parameters of the side-chain switch (slider 2), "Push Down" (slider 5, range -30 .. 0 dB)
// and "Recovery" (slider 7, -10 .. 0, default -5).
constexpr VstInt32 kSideChain = 0;
constexpr VstInt32 kPushDown = 3;
constexpr VstInt32 kRecovery = 5;

uint32_t PixelOf(CBitmap& image, int x, int y)
{
    Gdiplus::Color c;
    if (!image.getBitmap() || image.getBitmap()->GetPixel(x, y, &c) != Gdiplus::Ok)
        return 0xFFFFFFFFu;
    return Rgb(c.GetR(), c.GetG(), c.GetB());
}

// Each channel within `tolerance`.
bool Near(uint32_t a, uint32_t b, int tolerance = 2)
{
    for (int shift : {0, 8, 16})
        if (std::abs(int((a >> shift) & 255) - int((b >> shift) & 255)) > tolerance) return false;
    return a != 0xFFFFFFFFu && b != 0xFFFFFFFFu;
}

std::string Hex(uint32_t v)
{
    char text[16];
    std::snprintf(text, sizeof text, "%06X", v);
    return text;
}

class EditorThroughTheDll : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        hInstance = GetModuleHandleW(nullptr); // the artwork copy lives in this program
        ASSERT_TRUE(library.open(QUAR2_PLUGIN_PATH)) << library.error();
        std::string error;
        plugin = CVstPlugin::create(library.findEntry(), host, error);
        ASSERT_TRUE(plugin) << error;
        plugin->open();
        plugin->setSampleRate(44100.0f);
        plugin->setBlockSize(512);
        plugin->resume();
        ASSERT_TRUE(CreateHostWindow(window, kWidth, kHeight));
    }
    void TearDown() override
    {
        if (plugin)
        {
            plugin->dispatch(effEditClose);
            plugin->close();
        }
        window.close();
        plugin.reset();
    }

    void Idle() { plugin->dispatch(effEditIdle); }
    void IdleFor(int milliseconds)
    {
        CEditorHostWindow::pumpFor(milliseconds, [&] { Idle(); });
    }
    // The pointer moves to (x, y) in the editor (the real one too: the toolkit tracks its
    // leaving the window), as the several moves of a hand, and rests there for a few frames.
    void Move(int x, int y, WPARAM keys = 0)
    {
        POINT p{x, y};
        ClientToScreen(EditorChild(window), &p);
        SetCursorPos(p.x, p.y);
        PostMouse(EditorChild(window), WM_MOUSEMOVE, x, y, keys);
        PostMouse(EditorChild(window), WM_MOUSEMOVE, x, y, keys);
        IdleFor(150);
    }
    // Press at x0 after resting there, drag to x1 with the button held, release.
    void Drag(int x0, int x1, int y, WPARAM keys = 0)
    {
        Move(x0, y);
        PostMouse(EditorChild(window), WM_LBUTTONDOWN, x0, y, keys | MK_LBUTTON);
        IdleFor(120);
        Move(x1, y, keys | MK_LBUTTON);
        PostMouse(EditorChild(window), WM_LBUTTONUP, x1, y, keys);
        IdleFor(100);
    }
    // Whether the host heard exactly one gesture on `index` since the last call.
    ::testing::AssertionResult Gesture(VstInt32 index, float before, int changes = -1)
    {
        const std::vector<HostRequest> edits = EditRequests(host);
        host.clearRequests();
        return IsGesture(edits, index, before, plugin->getParameter(index), changes);
    }
    WindowPixels Shot() { return CaptureWindow(EditorChild(window)); }
    // Idles until the pixel at (x, y) looks like `expected` (a paint has happened).
    bool IdleUntil(int x, int y, uint32_t expected, int milliseconds = 3000)
    {
        bool seen = false;
        CEditorHostWindow::pumpFor(
            milliseconds, [&] { Idle(); }, [&] { return seen = Near(Shot().at(x, y), expected); });
        return seen;
    }

    CVstLibrary library;
    CHostCallback host;
    std::unique_ptr<CVstPlugin> plugin;
    CEditorHostWindow window;
};

} // namespace

TEST_F(EditorThroughTheDll, PaintsTheBackgroundAndEachKnobWhereItsValueSays)
{
    CBitmap background(CResourceDescription(uint16_t{0}));
    CBitmap knob(CResourceDescription(uint16_t{1}));
    ASSERT_EQ(background.getWidth(), kWidth);
    ASSERT_EQ(knob.getWidth(), 32);

    ERect* rect = nullptr;
    ASSERT_EQ(plugin->dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, kWidth);
    EXPECT_EQ(rect->bottom - rect->top, kHeight);
    ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, window.handle()), 1);
    ASSERT_NE(EditorChild(window), nullptr);
    ASSERT_TRUE(IdleUntil(5, 5, PixelOf(background, 5, 5))) << "the editor never painted";

    // Background where the script draws nothing over it.
    WindowPixels shot = Shot();
    for (auto [x, y] : {std::pair{5, 5}, {215, 25}, {425, 45}, {5, 300}, {425, 595}, {100, 530}})
        EXPECT_TRUE(Near(shot.at(x, y), PixelOf(background, x, y)))
            << x << "," << y << ": " << Hex(shot.at(x, y)) << " instead of "
            << Hex(PixelOf(background, x, y));

    // Knobs at their default values: the left edge at x 116 (rows 3, 4, 6, 8), 288 (row 5),
    // 202 (rows 7, 9) and 333 (row 10); the top one pixel below the row.
    const uint32_t knobCentre = PixelOf(knob, 12, 7);
    const uint32_t knobSide = PixelOf(knob, 4, 7);
    struct Row
    {
        int knobX;
        int y;
    };
    for (const Row& row : {Row{116, 50}, Row{116, 80}, Row{288, 110}, Row{116, 140}, Row{202, 170},
                           Row{116, 200}, Row{202, 230}, Row{333, 269}})
    {
        EXPECT_TRUE(Near(shot.at(row.knobX + 12, row.y + 8), knobCentre))
            << "knob centre of the row at y " << row.y << ": "
            << Hex(shot.at(row.knobX + 12, row.y + 8));
        EXPECT_TRUE(Near(shot.at(row.knobX + 4, row.y + 8), knobSide))
            << "knob side of the row at y " << row.y;
    }
    // Not at the left end of row 5, where its value is the maximum.
    EXPECT_FALSE(Near(shot.at(116 + 12, 118), knobCentre));

    // The host moves "Push Down" to -15 dB: its knob goes to 116 + 0.5 x 172 = 202.
    plugin->setParameter(kPushDown, 0.5f);
    EXPECT_TRUE(IdleUntil(202 + 12, 118, knobCentre)) << Hex(Shot().at(214, 118));
    shot = Shot();
    EXPECT_FALSE(Near(shot.at(288 + 12, 118), knobCentre));
}

// Every change the mouse makes reaches the host as one gesture per hold, on the UI thread: each
// slider row, the switch, control and shift at the press, a double click; host-set values are
// not echoed.
TEST_F(EditorThroughTheDll, TellsTheHostOfEveryEditTheMouseMakes)
{
    ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, window.handle()), 1);
    IdleFor(300);
    const int rowYs[] = {60, 90, 120, 150, 180, 210, 240, 279};
    for (VstInt32 index = 1; index <= 8; ++index)
    {
        host.clearRequests();
        const float before = plugin->getParameter(index);
        if (index < 8)
            Drag(150, 250, rowYs[index - 1]);
        else
            Drag(280, 340, rowYs[index - 1]);
        EXPECT_NE(plugin->getParameter(index), before) << index;
        EXPECT_TRUE(Gesture(index, before)) << "row of parameter " << index;
    }

    host.clearRequests();
    Drag(120, 120, 279);
    EXPECT_TRUE(Gesture(kSideChain, 0.0f, 1));
    EXPECT_EQ(plugin->getParameter(kSideChain), 1.0f);

    // Control: Recovery from -2 to its default in one automate; shift: -17 at the press, -13 at
    // x 240 (fine steps from the anchor).
    plugin->setParameter(kRecovery, 0.8f);
    IdleFor(100);
    host.clearRequests();
    Drag(300, 250, 180, MK_CONTROL);
    EXPECT_TRUE(Gesture(kRecovery, 0.8f, 1));
    EXPECT_NEAR(plugin->getParameter(kRecovery), 0.5, 1e-6);
    const float pushDownBefore = plugin->getParameter(kPushDown);
    Drag(200, 240, 120, MK_SHIFT);
    EXPECT_TRUE(Gesture(kPushDown, pushDownBefore, 2));
    EXPECT_NEAR(plugin->getParameter(kPushDown), 17.0 / 30.0, 1e-6);

    // A double click: the system's second press is a double-click message, a press like the
    // first; two gestures, the second changing nothing.
    Move(150, 120);
    const float doubleBefore = plugin->getParameter(kPushDown);
    const HWND editor = EditorChild(window);
    PostMouse(editor, WM_LBUTTONDOWN, 150, 120, MK_LBUTTON);
    IdleFor(100);
    PostMouse(editor, WM_LBUTTONUP, 150, 120, 0);
    IdleFor(100);
    PostMouse(editor, WM_LBUTTONDBLCLK, 150, 120, MK_LBUTTON);
    IdleFor(100);
    PostMouse(editor, WM_LBUTTONUP, 150, 120, 0);
    IdleFor(100);
    const std::vector<HostRequest> edits = EditRequests(host);
    host.clearRequests();
    ASSERT_EQ(edits.size(), 5u);
    const float clicked = plugin->getParameter(kPushDown);
    EXPECT_TRUE(IsGesture({edits.begin(), edits.begin() + 3}, kPushDown, doubleBefore, clicked, 1));
    EXPECT_TRUE(IsGesture({edits.begin() + 3, edits.end()}, kPushDown, clicked, clicked, 0));

    plugin->setParameter(kPushDown, 0.25f);
    plugin->setParameter(kSideChain, 0.0f);
    IdleFor(150);
    EXPECT_TRUE(EditRequests(host).empty());
}

namespace
{
// Whether OLE is initialised on the calling thread right now. OleInitialize answers S_FALSE when
// it already was and S_OK when not; the probe's own initialisation is undone at once.
bool OleInitialisedHere()
{
    const HRESULT result = OleInitialize(nullptr);
    if (SUCCEEDED(result)) OleUninitialize();
    return result == S_FALSE;
}
} // namespace

// Hosts make plug-ins on a loading thread and show and close them on their UI thread: the
// editor's OLE use must be paired on the thread where it happens, never leak on the loading
// thread nor take away the UI thread's own initialisation.
TEST(EditorOle, PairedOnTheThreadThatUsesIt)
{
    CVstLibrary library;
    ASSERT_TRUE(library.open(QUAR2_PLUGIN_PATH)) << library.error();
    CHostCallback host;
    const bool loaderHadOle = OleInitialisedHere();
    std::string error;
    std::unique_ptr<CVstPlugin> plugin = CVstPlugin::create(library.findEntry(), host, error);
    ASSERT_TRUE(plugin) << error;
    plugin->open();
    plugin->setSampleRate(44100.0f);
    plugin->setBlockSize(512);
    plugin->resume();
    EXPECT_EQ(OleInitialisedHere(), loaderHadOle) << "making the instance changed OLE here";

    bool opened = false, uiKeptOle = false, uiOleAfter = true;
    std::thread ui(
        [&]
        {
            // The host's UI thread, with its own OLE initialisation (for its drag and drop).
            const HRESULT own = OleInitialize(nullptr);
            {
                CEditorHostWindow window;
                opened = CreateHostWindow(window, kWidth, kHeight) &&
                         plugin->dispatch(effEditOpen, 0, 0, window.handle()) == 1;
                CEditorHostWindow::pumpFor(300, [&] { plugin->dispatch(effEditIdle); });
                plugin->dispatch(effEditClose);
                plugin.reset(); // effClose here too
            }
            uiKeptOle = OleInitialisedHere();
            if (SUCCEEDED(own)) OleUninitialize();
            uiOleAfter = OleInitialisedHere();
        });
    ui.join();
    EXPECT_TRUE(opened);
    EXPECT_TRUE(uiKeptOle) << "the plug-in released the host's own OLE initialisation";
    EXPECT_FALSE(uiOleAfter) << "the plug-in left an OLE initialisation on the UI thread";
    EXPECT_EQ(OleInitialisedHere(), loaderHadOle);
}
