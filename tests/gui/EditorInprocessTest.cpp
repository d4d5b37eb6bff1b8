// The plug-in's editor in process under Wine with a real frame window: editor requests through
// the dispatcher, the script view drawing through the plug-in object's drawing context, the
// redraw timer, and mouse messages reaching the runtime's mouse state.
#include <gtest/gtest.h>

#include <objidl.h>
#include <gdiplus.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "effect/XlatEffect.h"
#include "gui/CBaseObject.h"
#include "gui/CFrame.h"
#include "gui/COstraEditor.h"
#include "gui/COstraView.h"
#include "runtime/ModuleHandle.h"
#include "tests/support/EditorWindowSupport.h"
#include "tests/support/FixedEditorState.h"
#include "tests/graphics/LevellerPng.h"
#include "tests/plugin/ProbeRuntime.h"
#include "plugin/EditorSize.h"

namespace
{

// A runtime whose drawing is one orange block at (40, 30) .. (140, 90) on a dark surface, and
// which records what the editor handed it.
class DrawingRuntime : public ProbeRuntime
{
  public:
    void DoGfx(double width, double height) override
    {
        ++frames;
        viewWidth = width;
        viewHeight = height;
        contextDuringDraw = adapter && adapter->getScriptDrawContext() != nullptr;
        BeginFrame();
        colorR = colorG = colorB = 0.1;
        colorA = 1.0;
        FillRect(0, 0, surfaceWidth, surfaceHeight);
        colorR = 0.9;
        colorG = 0.5;
        colorB = 0.0;
        FillRect(40, 30, 100, 60);
    }
    void DoIdle() override
    {
        ++idles;
        TXlat::DoIdle();
    }

    int frames = 0;
    int idles = 0;
    double viewWidth = 0.0;
    double viewHeight = 0.0;
    bool contextDuringDraw = false;
};

class EditorInProcess : public ::testing::Test
{
  protected:
    EditorInProcess()
    {
        hInstance = GetModuleHandleW(nullptr);
        liveAtStart = CBaseObject::getLiveObjectCount();
        runtime = new DrawingRuntime();
        instance = new ProbeInstance(runtime);
    }
    ~EditorInProcess() override
    {
        delete instance; // effClose deletes the plug-in, its runtime and its editor
        EXPECT_EQ(CBaseObject::getLiveObjectCount(), liveAtStart) << "toolkit objects leaked";
    }

    COstraEditor* editor() { return dynamic_cast<COstraEditor*>(instance->plugin->getEditor()); }
    ERect* rect()
    {
        ERect* r = nullptr;
        return instance->dispatch(effEditGetRect, 0, 0, &r) == 1 ? r : nullptr;
    }
    void Idle() { instance->dispatch(effEditIdle); }

    int32_t liveAtStart = 0;
    DrawingRuntime* runtime = nullptr;
    ProbeInstance* instance = nullptr;
};

} // namespace

TEST_F(EditorInProcess, OpensAFramePaintsTheScriptAndClosesAgain)
{
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(instance->effect()->flags & effFlagsHasEditor, effFlagsHasEditor);
    ERect* r = rect();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->top, 0);
    EXPECT_EQ(r->left, 0);
    EXPECT_EQ(r->bottom, kEditorHeight);
    EXPECT_EQ(r->right, kEditorWidth);

    // Idle before open: nothing reaches the runtime.
    Idle();
    Idle();
    EXPECT_EQ(runtime->idles, 0);
    EXPECT_EQ(runtime->frames, 0);

    CEditorHostWindow host;
    ASSERT_TRUE(CreateHostWindow(host, kEditorWidth, kEditorHeight));
    EXPECT_EQ(instance->dispatch(effEditOpen, 0, 0, host.handle()), 1);
    ASSERT_NE(editor()->getView(), nullptr);
    HWND frameWindow = EditorChild(host);
    ASSERT_NE(frameWindow, nullptr);
    EXPECT_EQ(editor()->getFrame()->getSystemWindow(), frameWindow);
    RECT client{};
    GetClientRect(frameWindow, &client);
    EXPECT_EQ(client.right, kEditorWidth);
    EXPECT_EQ(client.bottom, kEditorHeight);

    CEditorHostWindow::pumpFor(
        2000, [&] { Idle(); }, [&] { return runtime->frames > 0; });
    ASSERT_GT(runtime->frames, 0);
    EXPECT_EQ(runtime->viewWidth, kEditorWidth);
    EXPECT_EQ(runtime->viewHeight, kEditorHeight);
    EXPECT_TRUE(runtime->contextDuringDraw);
    EXPECT_EQ(instance->plugin->drawContext, nullptr); // only set during the draw
    EXPECT_GT(runtime->idles, 0);

    const WindowPixels shot = CaptureWindow(frameWindow);
    ASSERT_EQ(shot.width, kEditorWidth);
    EXPECT_EQ(shot.at(40, 30), Rgb(229, 127, 0));
    EXPECT_EQ(shot.at(139, 89), Rgb(229, 127, 0));
    EXPECT_EQ(shot.at(140, 89), Rgb(25, 25, 25));
    EXPECT_EQ(shot.at(5, 595), Rgb(25, 25, 25));

    // The redraw timer (30 per second once the rate is set) keeps frames coming while idle.
    runtime->redrawRate = 30;
    const int before = runtime->frames;
    CEditorHostWindow::pumpFor(600, [&] { Idle(); });
    EXPECT_GE(runtime->frames - before, 5);
    EXPECT_LE(runtime->frames - before, 25);

    // Keys are never consumed.
    EXPECT_EQ(instance->dispatch(effEditKeyDown, 'a', 0, nullptr, 0.0f), 0);

    instance->dispatch(effEditClose);
    EXPECT_EQ(editor()->getFrame(), nullptr);
    EXPECT_FALSE(IsWindow(frameWindow));
    instance->dispatch(effEditClose); // twice is harmless
    const int idlesClosed = runtime->idles;
    Idle();
    EXPECT_EQ(runtime->idles, idlesClosed);
    r = rect();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->right, kEditorWidth);
    EXPECT_EQ(r->bottom, kEditorHeight);

    // Open again: a new frame and view of the same size.
    EXPECT_EQ(instance->dispatch(effEditOpen, 0, 0, host.handle()), 1);
    ASSERT_NE(EditorChild(host), nullptr);
    const int framesBefore = runtime->frames;
    CEditorHostWindow::pumpFor(
        2000, [&] { Idle(); }, [&] { return runtime->frames > framesBefore; });
    EXPECT_GT(runtime->frames, framesBefore);
    EXPECT_EQ(runtime->viewWidth, kEditorWidth);
    instance->dispatch(effEditClose);
}

TEST_F(EditorInProcess, MouseMessagesReachTheRuntimesMouseState)
{
    CEditorHostWindow host;
    ASSERT_TRUE(CreateHostWindow(host, kEditorWidth, kEditorHeight));
    ASSERT_EQ(instance->dispatch(effEditOpen, 0, 0, host.handle()), 1);
    HWND frameWindow = EditorChild(host);
    ASSERT_NE(frameWindow, nullptr);
    CEditorHostWindow::pumpFor(
        1000, [&] { Idle(); }, [&] { return runtime->frames > 0; });
    EXPECT_EQ(runtime->redrawRate, 0);

    // Press with shift: left (1) + shift (8).
    PostMouse(frameWindow, WM_LBUTTONDOWN, 215, 121, MK_LBUTTON | MK_SHIFT);
    CEditorHostWindow::pumpFor(100);
    EXPECT_EQ(runtime->mouseX, 215);
    EXPECT_EQ(runtime->mouseY, 121);
    EXPECT_EQ(runtime->mouseButtons, 9);
    EXPECT_GE(runtime->redrawRate, 30); // mouse input keeps the editor redrawing

    // Moves keep the buttons.
    PostMouse(frameWindow, WM_MOUSEMOVE, 260, 125, MK_LBUTTON);
    CEditorHostWindow::pumpFor(100);
    EXPECT_EQ(runtime->mouseX, 260);
    EXPECT_EQ(runtime->mouseY, 125);
    EXPECT_EQ(runtime->mouseButtons, 9);

    // The next frame sees the state through its snapshot.
    const int frames = runtime->frames;
    CEditorHostWindow::pumpFor(
        1000, [&] { Idle(); }, [&] { return runtime->frames > frames; });
    EXPECT_EQ(runtime->frameMouseX, 260);
    EXPECT_EQ(runtime->frameMouseButtons, 9);

    PostMouse(frameWindow, WM_LBUTTONUP, 262, 126, 0);
    CEditorHostWindow::pumpFor(100);
    EXPECT_EQ(runtime->mouseX, 262);
    EXPECT_EQ(runtime->mouseButtons, 0);

    // Right button with control and alt (alt arrives as the key state the frame reads).
    PostMouse(frameWindow, WM_RBUTTONDOWN, 10, 20, MK_RBUTTON | MK_CONTROL);
    CEditorHostWindow::pumpFor(100);
    EXPECT_EQ(runtime->mouseButtons, 2 + 4);
    PostMouse(frameWindow, WM_RBUTTONUP, 10, 20, 0);
    CEditorHostWindow::pumpFor(100);
    EXPECT_EQ(runtime->mouseButtons, 0);
    instance->dispatch(effEditClose);
}

TEST_F(EditorInProcess, KnobModeIsSharedAndTheEditorDrawsOnRequestOnly)
{
    EXPECT_EQ(instance->dispatch(effSetEditKnobMode, 0, 2), 1);
    EXPECT_EQ(AEffGUIEditor::knobMode, 2);
    EXPECT_EQ(editor()->getKnobMode(), 2);
    AEffGUIEditor::knobMode = 0;

    // Without a frame, draw and wheel requests do nothing.
    editor()->draw(nullptr);
    EXPECT_FALSE(editor()->onWheel(1.0f));
    EXPECT_EQ(runtime->frames, 0);
    // No view: the runtime's redraw request reaches nothing.
    EXPECT_EQ(instance->plugin->redrawEditor(), 0);

    CEditorHostWindow host;
    ASSERT_TRUE(CreateHostWindow(host, kEditorWidth, kEditorHeight));
    ASSERT_EQ(instance->dispatch(effEditOpen, 0, 0, host.handle()), 1);
    CEditorHostWindow::pumpFor(
        1000, [&] { Idle(); }, [&] { return runtime->frames > 0; });
    EXPECT_EQ(instance->plugin->redrawEditor(), 1);
    const int frames = runtime->frames;
    ERect area{10, 10, 0, 0}; // corners in the wrong order
    editor()->draw(&area);
    EXPECT_EQ(runtime->frames, frames + 1);

    // A second open without a close replaces the frame instead of leaving a window behind.
    HWND first = EditorChild(host);
    ASSERT_EQ(instance->dispatch(effEditOpen, 0, 0, host.handle()), 1);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_NE(EditorChild(host), nullptr);
    EXPECT_EQ(editor()->getFrame()->getSystemWindow(), EditorChild(host));

    // Keeping the host alive: doIdleStuff asks the host to idle, at most once per 100 ms.
    const int hostIdles = instance->host.count(audioMasterIdle);
    editor()->doIdleStuff();
    EXPECT_EQ(instance->host.count(audioMasterIdle), hostIdles + 1);
    editor()->doIdleStuff();
    EXPECT_EQ(instance->host.count(audioMasterIdle), hostIdles + 1);
    Sleep(120);
    editor()->doIdleStuff();
    EXPECT_EQ(instance->host.count(audioMasterIdle), hostIdles + 2);
    instance->dispatch(effEditClose);
}

TEST_F(EditorInProcess, HundredOpenPaintCloseCyclesLeaveNoObjectOrWindowBehind)
{
    // Hosts open and close the editor every time the user shows or hides it; a long session does
    // this hundreds of times. Every cycle must hand back each toolkit object and window it made.
    CEditorHostWindow host;
    ASSERT_TRUE(CreateHostWindow(host, kEditorWidth, kEditorHeight));
    const int32_t liveClosed = CBaseObject::getLiveObjectCount();
    for (int cycle = 0; cycle < 100; ++cycle)
    {
        ASSERT_EQ(instance->dispatch(effEditOpen, 0, 0, host.handle()), 1) << "cycle " << cycle;
        HWND frameWindow = EditorChild(host);
        ASSERT_NE(frameWindow, nullptr) << "cycle " << cycle;
        EXPECT_GT(CBaseObject::getLiveObjectCount(), liveClosed) << "cycle " << cycle;
        const int framesBefore = runtime->frames;
        CEditorHostWindow::pumpFor(
            2000, [&] { Idle(); }, [&] { return runtime->frames > framesBefore; });
        ASSERT_GT(runtime->frames, framesBefore) << "cycle " << cycle << " never painted";
        instance->dispatch(effEditClose);
        ASSERT_FALSE(IsWindow(frameWindow)) << "cycle " << cycle;
        ASSERT_EQ(editor()->getFrame(), nullptr) << "cycle " << cycle;
        ASSERT_EQ(CBaseObject::getLiveObjectCount(), liveClosed) << "cycle " << cycle;
    }
}

// --- One whole frame of the real leveller, pixel for pixel -----------------------------------

namespace
{

// The leveller with one fixed state put back at the start of every frame: slider settings, the
// switch, a gain history, the curves' carried ends and smoothing, the readouts' extremes. Every
// frame therefore draws the same picture, however many frames ran before.
class FixedStateLeveller : public TXlatEffect
{
  public:
    void DoGfx(double width, double height) override
    {
        ++frames;
        ApplyFixedEditorState(*this);
        LevellerVariables& v = vars;
        if (otherStates > 0)
        {
            // Two other states in turn: knobs elsewhere, other values and readouts, the
            // switch off, another gain curve and cursor.
            const double shift = (otherStates-- % 2) ? 1.0 : -1.0;
            v.sliderCopy2 = 0.0;
            v.sliderCopy3 = 3.0 + shift;
            v.sliderCopy5 = -12.0 + 5.0 * shift;
            v.sliderCopy6 = 17.0 - 4.0 * shift;
            v.sliderCopy9 = -6.5 + 2.0 * shift;
            v.maxGainDb = 7.25 + 3.0 * shift;
            v.maxAttenuationDb = -9.5 - shift;
            v.historyWritePos = 215.0 + 40.0 * shift;
            for (int i = 0; i < 400; ++i)
                Element(v.historyBase + i) += 10.0 * shift;
        }
        TXlatEffect::DoGfx(width, height);
    }

    int frames = 0;
    int otherStates = 0; // frames still to draw in another state first
};

// A reference picture (PNG) as 0x00RRGGBB pixels, read by GDI+; empty when unreadable.
WindowPixels ReadReferencePicture(const wchar_t* path)
{
    WindowPixels picture;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return picture;
    {
        Gdiplus::Bitmap bitmap(path);
        if (bitmap.GetLastStatus() == Gdiplus::Ok)
        {
            picture.width = int(bitmap.GetWidth());
            picture.height = int(bitmap.GetHeight());
            for (int y = 0; y < picture.height; ++y)
                for (int x = 0; x < picture.width; ++x)
                {
                    Gdiplus::Color c;
                    bitmap.GetPixel(x, y, &c);
                    picture.pixels.push_back(Rgb(c.GetR(), c.GetG(), c.GetB()));
                }
        }
    }
    Gdiplus::GdiplusShutdown(token);
    return picture;
}

// Writes `shot` as a PNG beside the other test artifacts, for a person to compare.
void KeepPicture(const WindowPixels& shot, const std::string& path)
{
    std::vector<uint8_t> rgb;
    for (uint32_t p : shot.pixels)
        rgb.insert(rgb.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)});
    WriteLevellerPng(path, shot.width, shot.height, rgb);
}

// Pixels that differ, and a description of the first one.
int CountDifferences(const WindowPixels& a, const WindowPixels& b, std::string& first)
{
    int count = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if (a.at(x, y) != b.at(x, y) && count++ == 0)
            {
                char text[96];
                std::snprintf(text, sizeof text, "(%d, %d): %06X instead of %06X", x, y,
                              unsigned(a.at(x, y)), unsigned(b.at(x, y)));
                first = text;
            }
    return count;
}

class LevellerFramePixels : public ::testing::Test
{
  protected:
    LevellerFramePixels()
    {
        hInstance = GetModuleHandleW(nullptr); // the artwork is this program's "DATA" resources
        liveAtStart = CBaseObject::getLiveObjectCount();
        leveller = new FixedStateLeveller();
        instance = new ProbeInstance(leveller);
        instance->dispatch(effOpen);
        instance->dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
        instance->dispatch(effSetBlockSize, 0, 512);
        instance->dispatch(effMainsChanged, 0, 1);
    }
    ~LevellerFramePixels() override
    {
        CFrame::overridePlatformMajorVersion(0);
        delete instance;
        EXPECT_EQ(CBaseObject::getLiveObjectCount(), liveAtStart) << "toolkit objects leaked";
    }

    // Opens the editor, lets it paint `count` frames, and answers the window's pixels.
    WindowPixels PaintedFrame(int count = 3)
    {
        CEditorHostWindow host;
        WindowPixels shot;
        if (!CreateHostWindow(host, kEditorWidth, kEditorHeight)) return shot;
        if (instance->dispatch(effEditOpen, 0, 0, host.handle()) != 1) return shot;
        HWND frameWindow = EditorChild(host);
        for (int i = 0; i < count; ++i)
        {
            const int before = leveller->frames;
            InvalidateRect(frameWindow, nullptr, FALSE);
            CEditorHostWindow::pumpFor(2000, nullptr, [&] { return leveller->frames > before; });
        }
        shot = CaptureWindow(frameWindow);
        instance->dispatch(effEditClose);
        return shot;
    }

    // The frame against the reference picture made by the toolkit before its paint path was
    // sped up; the frame is kept in artifacts/ when they differ.
    void ExpectReference(const WindowPixels& shot, const wchar_t* reference,
                         const std::string& artifact)
    {
        ASSERT_EQ(shot.width, kEditorWidth);
        ASSERT_EQ(shot.height, kEditorHeight);
        const WindowPixels expected = ReadReferencePicture(reference);
        if (expected.width != kEditorWidth || expected.height != kEditorHeight)
        {
            KeepPicture(shot, artifact);
            FAIL() << "no usable reference picture; the frame is in " << artifact;
        }
        std::string first;
        const int differences = CountDifferences(shot, expected, first);
        if (differences != 0) KeepPicture(shot, artifact);
        EXPECT_EQ(differences, 0) << "first difference at " << first << "; the frame is in "
                                  << artifact;
    }

    int32_t liveAtStart = 0;
    FixedStateLeveller* leveller = nullptr;
    ProbeInstance* instance = nullptr;
};

} // namespace

TEST_F(LevellerFramePixels, StraightIntoTheWindowAndThroughTheBackBufferAsBefore)
{
    const WindowPixels direct = PaintedFrame();
    ASSERT_GT(leveller->frames, 0);
    ExpectReference(direct, LEVELLER_REFERENCE_DIRECT, LEVELLER_ARTIFACT_DIRECT);

    // The older systems' path: drawn into the back buffer, then copied to the window.
    CFrame::overridePlatformMajorVersion(5);
    const WindowPixels buffered = PaintedFrame();
    ExpectReference(buffered, LEVELLER_REFERENCE_BUFFERED, LEVELLER_ARTIFACT_BUFFERED);
}

TEST_F(LevellerFramePixels, PixelsPutBackFromEarlierPaintsAreThoseOfTheStateShown)
{
    // Paints straight into the window put back the pixels of text and images drawn before on
    // the same pixels. After frames of other states (drawn in turn, so that their own pixels
    // come back too), the fixed state's frame must still be exactly its reference picture.
    leveller->otherStates = 5;
    const WindowPixels direct = PaintedFrame(8);
    ASSERT_EQ(leveller->otherStates, 0);
    ExpectReference(direct, LEVELLER_REFERENCE_DIRECT, LEVELLER_ARTIFACT_DIRECT);
}
