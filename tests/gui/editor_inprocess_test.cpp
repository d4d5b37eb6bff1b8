// The plug-in's editor in process under Wine with a real frame window: editor requests through
// the dispatcher, the script view drawing through the plug-in object's drawing context, the
// redraw timer, and mouse messages reaching the runtime's mouse state.
#include <gtest/gtest.h>

#include "editor_window_support.h"
#include "gui/CBaseObject.h"
#include "gui/CFrame.h"
#include "gui/COstraEditor.h"
#include "gui/COstraView.h"
#include "runtime/ModuleHandle.h"
#include "tests/plugin/ProbeRuntime.h"

namespace {

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
    EXPECT_EQ(r->bottom, 600);
    EXPECT_EQ(r->right, 430);

    // Idle before open: nothing reaches the runtime.
    Idle();
    Idle();
    EXPECT_EQ(runtime->idles, 0);
    EXPECT_EQ(runtime->frames, 0);

    EditorHostWindow host(430, 600);
    EXPECT_EQ(instance->dispatch(effEditOpen, 0, 0, host.handle()), 1);
    ASSERT_NE(editor()->getView(), nullptr);
    HWND frameWindow = host.child();
    ASSERT_NE(frameWindow, nullptr);
    EXPECT_EQ(editor()->getFrame()->getSystemWindow(), frameWindow);
    RECT client{};
    GetClientRect(frameWindow, &client);
    EXPECT_EQ(client.right, 430);
    EXPECT_EQ(client.bottom, 600);

    PumpMessages(2000, [&] { Idle(); }, [&] { return runtime->frames > 0; });
    ASSERT_GT(runtime->frames, 0);
    EXPECT_EQ(runtime->viewWidth, 430);
    EXPECT_EQ(runtime->viewHeight, 600);
    EXPECT_TRUE(runtime->contextDuringDraw);
    EXPECT_EQ(instance->plugin->drawContext, nullptr); // only set during the draw
    EXPECT_GT(runtime->idles, 0);

    const WindowPixels shot = CaptureWindow(frameWindow, 430, 600);
    ASSERT_EQ(shot.width, 430);
    EXPECT_EQ(shot.at(40, 30), Rgb(229, 127, 0));
    EXPECT_EQ(shot.at(139, 89), Rgb(229, 127, 0));
    EXPECT_EQ(shot.at(140, 89), Rgb(25, 25, 25));
    EXPECT_EQ(shot.at(5, 595), Rgb(25, 25, 25));

    // The redraw timer (30 per second once the rate is set) keeps frames coming while idle.
    runtime->redrawRate = 30;
    const int before = runtime->frames;
    PumpMessages(600, [&] { Idle(); });
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
    EXPECT_EQ(r->right, 430);
    EXPECT_EQ(r->bottom, 600);

    // Open again: a new frame and view of the same size.
    EXPECT_EQ(instance->dispatch(effEditOpen, 0, 0, host.handle()), 1);
    ASSERT_NE(host.child(), nullptr);
    const int framesBefore = runtime->frames;
    PumpMessages(2000, [&] { Idle(); }, [&] { return runtime->frames > framesBefore; });
    EXPECT_GT(runtime->frames, framesBefore);
    EXPECT_EQ(runtime->viewWidth, 430);
    instance->dispatch(effEditClose);
}

TEST_F(EditorInProcess, MouseMessagesReachTheRuntimesMouseState)
{
    EditorHostWindow host(430, 600);
    ASSERT_EQ(instance->dispatch(effEditOpen, 0, 0, host.handle()), 1);
    HWND frameWindow = host.child();
    ASSERT_NE(frameWindow, nullptr);
    PumpMessages(1000, [&] { Idle(); }, [&] { return runtime->frames > 0; });
    EXPECT_EQ(runtime->redrawRate, 0);

    // Press with shift: left (1) + shift (8).
    PostMouse(frameWindow, WM_LBUTTONDOWN, 215, 121, MK_LBUTTON | MK_SHIFT);
    PumpMessages(100);
    EXPECT_EQ(runtime->mouseX, 215);
    EXPECT_EQ(runtime->mouseY, 121);
    EXPECT_EQ(runtime->mouseButtons, 9);
    EXPECT_GE(runtime->redrawRate, 30); // mouse input keeps the editor redrawing

    // Moves keep the buttons.
    PostMouse(frameWindow, WM_MOUSEMOVE, 260, 125, MK_LBUTTON);
    PumpMessages(100);
    EXPECT_EQ(runtime->mouseX, 260);
    EXPECT_EQ(runtime->mouseY, 125);
    EXPECT_EQ(runtime->mouseButtons, 9);

    // The next frame sees the state through its snapshot.
    const int frames = runtime->frames;
    PumpMessages(1000, [&] { Idle(); }, [&] { return runtime->frames > frames; });
    EXPECT_EQ(runtime->frameMouseX, 260);
    EXPECT_EQ(runtime->frameMouseButtons, 9);

    PostMouse(frameWindow, WM_LBUTTONUP, 262, 126, 0);
    PumpMessages(100);
    EXPECT_EQ(runtime->mouseX, 262);
    EXPECT_EQ(runtime->mouseButtons, 0);

    // Right button with control and alt (alt arrives as the key state the frame reads).
    PostMouse(frameWindow, WM_RBUTTONDOWN, 10, 20, MK_RBUTTON | MK_CONTROL);
    PumpMessages(100);
    EXPECT_EQ(runtime->mouseButtons, 2 + 4);
    PostMouse(frameWindow, WM_RBUTTONUP, 10, 20, 0);
    PumpMessages(100);
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

    EditorHostWindow host(430, 600);
    ASSERT_EQ(instance->dispatch(effEditOpen, 0, 0, host.handle()), 1);
    PumpMessages(1000, [&] { Idle(); }, [&] { return runtime->frames > 0; });
    EXPECT_EQ(instance->plugin->redrawEditor(), 1);
    const int frames = runtime->frames;
    ERect area{10, 10, 0, 0}; // corners in the wrong order
    editor()->draw(&area);
    EXPECT_EQ(runtime->frames, frames + 1);

    // A second open without a close replaces the frame instead of leaving a window behind.
    HWND first = host.child();
    ASSERT_EQ(instance->dispatch(effEditOpen, 0, 0, host.handle()), 1);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_NE(host.child(), nullptr);
    EXPECT_EQ(editor()->getFrame()->getSystemWindow(), host.child());

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
    EditorHostWindow host(430, 600);
    const int32_t liveClosed = CBaseObject::getLiveObjectCount();
    for (int cycle = 0; cycle < 100; ++cycle) {
        ASSERT_EQ(instance->dispatch(effEditOpen, 0, 0, host.handle()), 1) << "cycle " << cycle;
        HWND frameWindow = host.child();
        ASSERT_NE(frameWindow, nullptr) << "cycle " << cycle;
        EXPECT_GT(CBaseObject::getLiveObjectCount(), liveClosed) << "cycle " << cycle;
        const int framesBefore = runtime->frames;
        PumpMessages(2000, [&] { Idle(); }, [&] { return runtime->frames > framesBefore; });
        ASSERT_GT(runtime->frames, framesBefore) << "cycle " << cycle << " never painted";
        instance->dispatch(effEditClose);
        ASSERT_FALSE(IsWindow(frameWindow)) << "cycle " << cycle;
        ASSERT_EQ(editor()->getFrame(), nullptr) << "cycle " << cycle;
        ASSERT_EQ(CBaseObject::getLiveObjectCount(), liveClosed) << "cycle " << cycle;
    }
}
