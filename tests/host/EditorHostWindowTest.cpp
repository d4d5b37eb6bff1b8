// The editor host window on Linux (X11): a window made without a plug-in, read back with
// XGetImage, and the failures a plug-in or a caller can cause (a window id that names nothing,
// reading after close), which must answer false instead of letting Xlib end the process.
#include <gtest/gtest.h>

#include "host/lib/EditorHostWindow.h"

#include <cstdint>
#include <cstdlib>

TEST(EditorHostWindowX11, MakesAWindowOfTheSizeAskedReadsItAndSurvivesBadWindows)
{
    const char* display = std::getenv("DISPLAY");
    ASSERT_TRUE(display != nullptr && *display != '\0')
        << "needs an X display (make test starts Xvfb when there is none)";
    CEditorHostWindow window;
    std::string error;
    EXPECT_FALSE(window.create(0, 100, error));
    EXPECT_FALSE(window.create(200, 9000, error));
    ASSERT_TRUE(window.create(203, 101, error)) << error;
    EXPECT_TRUE(window.isOpen());
    EXPECT_NE(window.handle(), nullptr);
    EXPECT_EQ(window.width(), 203);
    EXPECT_EQ(window.height(), 101);
    EXPECT_EQ(window.editorWindow(), nullptr) << "no plug-in, no child window";

    // The window's own background (black), every pixel, rows of the window's width.
    std::vector<uint8_t> rgb;
    int width = 0, height = 0;
    ASSERT_TRUE(window.capture(rgb, width, height, error)) << error;
    EXPECT_EQ(width, 203);
    EXPECT_EQ(height, 101);
    ASSERT_EQ(rgb.size(), size_t(203 * 101 * 3));
    size_t lit = 0;
    for (uint8_t v : rgb)
        lit += v != 0;
    EXPECT_EQ(lit, 0u);
    EXPECT_TRUE(window.takePaintTimes().empty()) << "paints are timed only inside idle()";

    // A window id that names no window: an answer, not the end of the process.
    void* nowhere = reinterpret_cast<void*>(uintptr_t(0x7FFFFFF0));
    EXPECT_FALSE(CEditorHostWindow::captureWindow(nowhere, rgb, width, height, error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(CEditorHostWindow::pumpFor(20));

    const void* closed = window.handle();
    window.close();
    EXPECT_FALSE(window.isOpen());
    EXPECT_EQ(window.width(), 0);
    error.clear();
    EXPECT_FALSE(window.capture(rgb, width, height, error));
    EXPECT_EQ(error, "the editor is not open");
    EXPECT_FALSE(
        CEditorHostWindow::captureWindow(const_cast<void*>(closed), rgb, width, height, error));
}
