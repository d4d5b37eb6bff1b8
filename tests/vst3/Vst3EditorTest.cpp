// QUAR2.vst3's editor in a real window of this platform: the VST 2.4 editor's pixels, its
// fixed size, stepped by the host's run loop on Linux (timer and the X connection) and by a
// window timer on Windows, the mouse's edits reaching the component handler as gestures, and
// opened and closed many times leaving nothing behind.

#include "host/lib/EditorHostWindow.h"
#include "tests/plugin/BuiltPlugin.h"
#include "tests/support/EditorInput.h"
#include "tests/vst3/Vst3Host.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#ifdef _WIN32
#include "tests/support/EditorWindowSupport.h"
#else
#include <X11/Xlib.h>
#endif

using namespace vst3;

namespace
{
constexpr int kWidth = 430, kHeight = 600;
constexpr int kPushDownY = 120; // the Push Down row's knob line

#ifdef _WIN32
constexpr const char* kPlatform = "HWND";
#else
constexpr const char* kPlatform = "X11EmbedWindowID";

#endif

class Vst3Editor : public ::testing::Test
{
  protected:
    void SetUp() override
    {
#ifndef _WIN32
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display (make test provides Xvfb)";
#endif
        std::string error;
        ASSERT_TRUE(module.open(BuiltBundlePath(), error)) << error;
        instance = std::make_unique<CVst3Instance>(*module.factory(), app);
        ASSERT_TRUE(instance->ok());
        ASSERT_EQ(instance->controller->setComponentHandler(&handler), kResultOk);
        ASSERT_TRUE(instance->start(44100.0, 512));
        ASSERT_TRUE(window.create(kWidth, kHeight, error)) << error;
    }
    void TearDown() override
    {
        instance.reset();
        window.close();
    }
    // The host's loop for `ms`: messages, and on Linux the run loop's timers and descriptors.
    void idle(int ms)
    {
        CEditorHostWindow::pumpFor(ms, [this] { frame.step(); });
    }
    std::vector<uint8_t> shot()
    {
        std::vector<uint8_t> rgb;
        int w = 0, h = 0;
        std::string error;
        EXPECT_TRUE(window.capture(rgb, w, h, error)) << error;
        return rgb;
    }
    // Makes, sizes and attaches a view; null on failure.
    IPlugView* attach()
    {
        IPlugView* view = instance->controller->createView("editor");
        if (!view) return nullptr;
        ViewRect size{};
        EXPECT_EQ(view->getSize(&size), kResultOk); // before attached, as hosts ask
        EXPECT_EQ(size.right - size.left, kWidth);
        EXPECT_EQ(size.bottom - size.top, kHeight);
        EXPECT_EQ(view->isPlatformTypeSupported(kPlatform), kResultTrue);
        EXPECT_EQ(view->setFrame(&frame), kResultOk);
        EXPECT_EQ(view->attached(window.handle(), kPlatform), kResultOk);
        return view;
    }
    static void detach(IPlugView* view)
    {
        view->setFrame(nullptr); // hosts may drop the frame before removed
        EXPECT_EQ(view->removed(), kResultOk);
        EXPECT_EQ(view->release(), 0u);
    }

    CHostApplication app;
    CVst3Module module;
    std::unique_ptr<CVst3Instance> instance;
    CRecordingHandler handler;
    CEditorFrame frame;
    CEditorHostWindow window;
};
} // namespace

TEST_F(Vst3Editor, ShowsTheVst2EditorsPixelsAndTellsTheHostOfMouseEdits)
{
    // The VST 2.4 editor of the same build, as a VST 2.4 host shows it.
    CVstLibrary vst2;
    ASSERT_TRUE(vst2.open(BuiltVst2Path())) << vst2.error();
    CHostCallback vst2Host;
    std::string error;
    auto reference = CVstPlugin::create(vst2.entry("VSTPluginMain"), vst2Host, error);
    ASSERT_TRUE(reference) << error;
    reference->open();
    reference->setSampleRate(44100.0f);
    reference->resume();
    std::vector<uint8_t> expected;
    {
        CEditorHostWindow vst2Window;
        ASSERT_TRUE(vst2Window.open(*reference, error)) << error;
        vst2Window.idle(600);
        int w = 0, h = 0;
        ASSERT_TRUE(vst2Window.capture(expected, w, h, error)) << error;
        ASSERT_EQ(w, kWidth);
        ASSERT_EQ(h, kHeight);
        reference->dispatch(effEditClose);
    }

    IPlugView* view = attach();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->canResize(), kResultFalse);
#ifndef _WIN32
    // Stepped by the host's run loop: one timer and the X connection.
    EXPECT_EQ(frame.timers.size(), 1u);
    EXPECT_EQ(frame.handlers.size(), 1u);
#endif
    bool same = false;
    for (int i = 0; i < 60 && !same; ++i)
    {
        idle(20);
        same = shot() == expected;
    }
    EXPECT_TRUE(same) << "the VST3 editor's pixels differ from the VST 2.4 editor's";

    // A click on the Push Down row: one gesture, with the value the plug-in now holds.
    void* editorWindow = window.editorWindow();
    ASSERT_NE(editorWindow, nullptr);
    PostLeftClick(editorWindow, 215, kPushDownY, [this](int ms) { idle(ms); });
    const double now = instance->controller->getParamNormalized(3);
    EXPECT_NEAR(now, 16.0 / 30.0, 1e-6);
    ASSERT_EQ(handler.calls.size(), 3u);
    EXPECT_EQ(handler.calls[0], "begin 3");
    EXPECT_EQ(handler.calls[1], "perform 3 " + std::to_string(now));
    EXPECT_EQ(handler.calls[2], "end 3");
    detach(view);
}

TEST_F(Vst3Editor, OpensAndClosesManyTimesLeavingNothing)
{
#ifndef _WIN32
    ASSERT_TRUE(PrepareToPost());
    const int filesBefore = OpenFileCount();
#endif
    for (int cycle = 0; cycle < 15; ++cycle)
    {
        IPlugView* view = attach();
        ASSERT_NE(view, nullptr) << "cycle " << cycle;
        idle(30);
        EXPECT_NE(window.editorWindow(), nullptr) << "cycle " << cycle;
        detach(view);
        idle(10);
        EXPECT_EQ(window.editorWindow(), nullptr) << "cycle " << cycle;
        EXPECT_TRUE(frame.timers.empty() && frame.handlers.empty()) << "cycle " << cycle;
        EXPECT_EQ(frame.references, 1u) << "cycle " << cycle;
    }
#ifndef _WIN32
    EXPECT_EQ(OpenFileCount(), filesBefore) << "X connections left open";
#endif
    // A view released without removed() closes the editor itself; a bad parent is refused.
    IPlugView* view = attach();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->release(), 0u);
    idle(10);
    EXPECT_EQ(window.editorWindow(), nullptr);
    view = instance->controller->createView("editor");
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->attached(nullptr, kPlatform), kInvalidArgument);
    EXPECT_EQ(view->attached(window.handle(), "NSView"), kInvalidArgument);
    EXPECT_EQ(view->release(), 0u);
    EXPECT_EQ(instance->controller->createView("other"), nullptr);
}
