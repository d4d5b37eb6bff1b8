// The editor on Linux: the built QUAR2.so's editor opened in an X window made here, painted,
// read back with XGetImage and driven by posted X events, and opened and closed many times. The
// tests need an X server (make test runs them under Xvfb) and skip without DISPLAY. What the
// editor tells the host of its edits is EditorX11EditsTest.cpp's; the frame drawn by the cairo
// toolkit is LevellerFrameCairoTest.cpp's.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "gui/CFrame.h"
#include "gui/COstraEditor.h"
#include "tests/gui/EditorX11Support.h"
#include "tests/plugin/ProbeRuntime.h"

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
