// The editor on Linux, as the host sees its edits: every change the mouse makes reaches the host
// as it happens, one gesture per hold; values the host sets are never echoed. Needs an X server
// (make test runs it under Xvfb) and skips without DISPLAY.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <vector>

#include "tests/gui/EditorX11Support.h"
#include "tests/support/HostEdits.h"

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
