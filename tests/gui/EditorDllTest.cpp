// The editor of the built QUAR2.dll, opened the way a host opens it: effEditOpen in a host
// window, effEditIdle until it paints, then the window's pixels read with BitBlt and compared
// with the artwork (decoded from this program's own copy of the "DATA" resources); and the
// editor's OLE use on the threads a host shows it on. (Mouse messages on the built editor are
// the leveller editor's Wine test.)
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
#include "plugin/EditorSize.h"

namespace
{

constexpr int kWidth = kEditorWidth;
constexpr int kHeight = kEditorHeight;
// Host parameter of the "Push Down" slider (slider 5, range -30 .. 0 dB).
constexpr VstInt32 kPushDown = 3;

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
