// The leveller's frame on Linux: drawn by the cairo toolkit in one fixed state without a window,
// against the Windows toolkit's reference picture.
#include <gtest/gtest.h>

#include <cstdio>
#include <utility>

#include "gui/CFrame.h"
#include "gui/COffscreenContext.h"
#include "gui/COstraEditor.h"
#include "tests/gui/EditorX11Support.h"
#include "tests/plugin/ProbeRuntime.h"

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
