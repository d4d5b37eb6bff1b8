// QUAR2.clap's editor in a real window (X11 natively, Win32 under Wine): opened through clap.gui,
// driven only by what the host's run loop offers (timer and the X connection's descriptor on
// Linux, the window's messages on Windows), it shows the same pixels as the VST 2.4 plug-in's
// editor, and opens and closes many times without leaving windows, timers or descriptors.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <X11/Xlib.h>
#endif

#include "host/lib/EditorHostWindow.h"
#include "host/lib/HostCallback.h"
#include "host/lib/VstLibrary.h"
#include "host/lib/VstPlugin.h"
#include "tests/clap/ClapTestHost.h"
#include "tests/support/EditorInput.h"

namespace
{

struct Shot
{
    std::vector<uint8_t> rgb;
    int width = 0;
    int height = 0;
    bool operator==(const Shot&) const = default;
};

Shot Capture(void* window)
{
    Shot s;
    std::string error;
    if (window) CEditorHostWindow::captureWindow(window, s.rgb, s.width, s.height, error);
    return s;
}

bool HasDisplay()
{
#ifdef _WIN32
    return true;
#else
    return std::getenv("DISPLAY") != nullptr;
#endif
}

} // namespace

TEST(ClapEditor, DrawsTheVst24EditorsPixelsAndOpensAndClosesWithoutALeak)
{
    if (!HasDisplay()) GTEST_SKIP() << "no X display (make test provides Xvfb)";
    // The VST 2.4 editor's picture, painted through its host's idle calls.
    CVstLibrary library;
    ASSERT_TRUE(library.open(QUAR2_PLUGIN_PATH)) << library.error();
    CHostCallback callback;
    callback.timeInfoAvailable = false;
    std::string error;
    auto vst = CVstPlugin::create(library.entry("VSTPluginMain"), callback, error);
    ASSERT_TRUE(vst) << error;
    vst->open();
    vst->setSampleRate(44100.0f);
    vst->setBlockSize(512);
    vst->resume();
    Shot reference;
    {
        CEditorHostWindow window;
        ASSERT_TRUE(window.open(*vst, error)) << error;
        window.idle(800);
        reference = Capture(window.editorWindow());
        window.close();
    }
    ASSERT_EQ(reference.width, 430);
    ASSERT_EQ(reference.height, 600);

    CClapModule module;
    ASSERT_TRUE(module.open(QUAR2_CLAP_PATH, error)) << error;
    CClapTestHost clap;
    ASSERT_TRUE(clap.create(module, error)) << error;
    ASSERT_TRUE(clap.start(44100.0, 512));
    const auto* gui = clap.extension<clap_plugin_gui>(CLAP_EXT_GUI);
    ASSERT_NE(gui, nullptr);
    EXPECT_FALSE(gui->is_api_supported(clap.plugin(), "cocoa", false));
    EXPECT_FALSE(gui->can_resize(clap.plugin()));
    uint32_t w = 0, h = 0;
    EXPECT_FALSE(gui->set_parent(clap.plugin(), nullptr)) << "before create";

    CEditorHostWindow window;
    ASSERT_TRUE(window.create(430, 600, error)) << error;
    ASSERT_TRUE(PrepareToPost());
    const int handlesBefore = OpenFileCount();
    for (int cycle = 0; cycle < 20; ++cycle)
    {
        SCOPED_TRACE("cycle " + std::to_string(cycle));
        ASSERT_TRUE(clap.openEditor(window.handle(), error)) << error;
        ASSERT_TRUE(gui->get_size(clap.plugin(), &w, &h));
        EXPECT_EQ(w, 430u);
        EXPECT_EQ(h, 600u);
        void* child = window.editorWindow();
        ASSERT_NE(child, nullptr);
#ifndef _WIN32
        EXPECT_EQ(clap.timers.size(), 1u);
        EXPECT_EQ(clap.fds.size(), 1u) << "the editor's X connection";
#endif
        // Every cycle paints; the first and the last are compared pixel for pixel.
        const bool compared = cycle == 0 || cycle == 19;
        const bool same = CEditorHostWindow::pumpFor(
            compared ? 5000 : 100, [&] { clap.pumpEditor(); },
            [&] { return compared && Capture(child) == reference; });
        if (compared)
        {
            EXPECT_TRUE(same) << "not the VST 2.4 editor's pixels";
        }
        if (cycle == 19)
        {
            // A click on the side-chain switch: the host hears a gesture on parameter 0 with
            // the new value, from the next block, and is asked for it.
            PostLeftClick(child, 120, 279,
                          [&](int ms)
                          { CEditorHostWindow::pumpFor(ms, [&] { clap.pumpEditor(); }); });
            EXPECT_EQ(clap.value(0), 1.0);
            EXPECT_GE(clap.flushRequests, 1);
            float silence[64] = {};
            float* const io[2] = {silence, silence};
            clap.sent.clear();
            clap.process(io, io, 64);
            std::vector<std::pair<uint16_t, double>> events;
            for (const auto& bytes : clap.sent)
            {
                clap_event_header header{};
                std::memcpy(&header, bytes.data(), sizeof header);
                clap_event_param_value value{};
                if (header.type == CLAP_EVENT_PARAM_VALUE)
                    std::memcpy(&value, bytes.data(), sizeof value);
                events.emplace_back(header.type, value.value);
            }
            const std::vector<std::pair<uint16_t, double>> expected = {
                {CLAP_EVENT_PARAM_GESTURE_BEGIN, 0.0},
                {CLAP_EVENT_PARAM_VALUE, 1.0},
                {CLAP_EVENT_PARAM_GESTURE_END, 0.0}};
            EXPECT_EQ(events, expected);
        }
        clap.closeEditor();
        CEditorHostWindow::pump();
        EXPECT_EQ(window.editorWindow(), nullptr);
#ifdef _WIN32
        EXPECT_FALSE(IsWindow(static_cast<HWND>(child)));
#else
        EXPECT_TRUE(clap.timers.empty());
        EXPECT_TRUE(clap.fds.empty());
#endif
    }
    EXPECT_EQ(OpenFileCount(), handlesBefore) << "connections or descriptors left open";
    EXPECT_EQ(clap.misbehaviours(), 0);
}
