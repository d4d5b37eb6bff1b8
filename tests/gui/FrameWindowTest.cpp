// The frame's real child window, under an X server: class registration, painting read back
// from the screen, and the window messages that become view events.
#include "GuiTestSupport.h"
#include "RecordingViews.h"
#include "WindowTestSupport.h"

#include "gui/CDrawContext.h"
#include "gui/CFontDesc.h"
#include "gui/RepaintCache.h"

#include <cmath>
#include <cwchar>
#include <memory>

namespace
{
using Kinds = std::vector<std::string>;
constexpr uint32_t kRedPixel = 0xff0000, kBlackPixel = 0x000000, kBluePixel = 0x0000ff;

class FrameWindowTest : public ToolkitTest
{
  protected:
    void SetUp() override
    {
        ToolkitTest::SetUp();
        parent = std::make_unique<ParentWindow>();
        ASSERT_NE(parent->window, nullptr) << "no X server? run through run-wine-tests.sh";
    }
    void TearDown() override
    {
        if (frame) frame->forget();
        frame = nullptr;
        CFrame::overridePlatformMajorVersion(0);
        parent.reset();
        CEditorHostWindow::pumpFor(20);
        EXPECT_EQ(CFrame::getWindowFrameCount(), 0);
        ToolkitTest::TearDown();
    }

    // A 200 x 150 frame holding one recording view at (20,20,120,100), painted once.
    void openFrame()
    {
        frame = new CFrame(CRect(0, 0, 200, 150), parent->window, nullptr);
        view = new RecordingView(CRect(20, 20, 120, 100), kRed);
        frame->addView(view);
        ASSERT_NE(frame->getSystemWindow(), nullptr);
        ASSERT_TRUE(CEditorHostWindow::pumpFor(3000, nullptr, [this] { return view->draws > 0; }))
            << "no paint";
        CEditorHostWindow::pumpFor(30);
        view->events.clear();
    }
    HWND frameWindow() const { return frame->getSystemWindow(); }
    void post(UINT message, WPARAM wParam, LPARAM lParam)
    {
        PostMessageW(frameWindow(), message, wParam, lParam);
        CEditorHostWindow::pumpFor(30);
    }
    uint32_t pixel(const WindowPixels& pixels, int x, int y) const { return pixels.at(x, y); }

    std::unique_ptr<ParentWindow> parent;
    CFrame* frame = nullptr;
    RecordingView* view = nullptr;
};

bool classExists(const wchar_t* name)
{
    WNDCLASSEXW info{};
    info.cbSize = sizeof(info);
    return GetClassInfoExW(static_cast<HINSTANCE>(hInstance), name, &info) != 0;
}
} // namespace

TEST_F(FrameWindowTest, WindowClassIsSharedAndUnregisteredAfterTheLastFrame)
{
    CFrame* first = new CFrame(CRect(0, 0, 200, 150), parent->window, nullptr);
    const std::wstring name = CFrame::getClassName();
    // "Plugin" followed by the module handle in hexadecimal.
    ASSERT_EQ(name.rfind(L"Plugin", 0), 0u);
    EXPECT_EQ(std::wcstoull(name.c_str() + 6, nullptr, 16),
              reinterpret_cast<unsigned long long>(hInstance));
    HWND window = first->getSystemWindow();
    ASSERT_NE(window, nullptr);
    wchar_t text[64] = L"";
    GetClassNameW(window, text, 64);
    EXPECT_EQ(name, text);
    GetWindowTextW(window, text, 64);
    EXPECT_STREQ(text, L"Window");
    EXPECT_EQ(GetParent(window), parent->window);
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_EQ(style & 0x56000000, 0x56000000); // child, visible, clipping siblings and children
    const bool composited = (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_COMPOSITED) != 0;
    EXPECT_EQ(composited, CFrame::getPlatformMajorVersion() >= 6);
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 200);
    EXPECT_EQ(client.bottom, 150);
    double x = -1, y = -1;
    EXPECT_TRUE(first->getPosition(x, y));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);

    CFrame* second = new CFrame(CRect(0, 0, 50, 50), parent->window, nullptr);
    EXPECT_EQ(CFrame::getWindowFrameCount(), 2);
    GetClassNameW(second->getSystemWindow(), text, 64);
    EXPECT_EQ(name, text);
    first->forget();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(classExists(name.c_str()));
    second->forget();
    EXPECT_FALSE(classExists(name.c_str()));
    EXPECT_EQ(CFrame::getWindowFrameCount(), 0);

    // And the next frame registers it again.
    frame = new CFrame(CRect(0, 0, 20, 20), parent->window, nullptr);
    EXPECT_TRUE(classExists(CFrame::getClassName()));
}

TEST_F(FrameWindowTest, PaintsTheViewTreeOntoTheScreen)
{
    openFrame();
    auto pixels = CaptureWindow(frameWindow());
    EXPECT_EQ(pixel(pixels, 50, 50), kRedPixel);
    EXPECT_EQ(pixel(pixels, 20, 20), kRedPixel);
    EXPECT_EQ(pixel(pixels, 119, 99), kRedPixel);
    EXPECT_EQ(pixel(pixels, 120, 50), kBlackPixel); // the frame's background
    EXPECT_EQ(pixel(pixels, 5, 5), kBlackPixel);
    EXPECT_EQ(pixel(pixels, 199, 149), kBlackPixel);
    EXPECT_EQ(frame->getBackBuffer(), nullptr);

    // A view's redraw request brings one paint of its area.
    view->color = kBlue;
    const int draws = view->draws;
    view->invalid();
    RECT pending{};
    EXPECT_TRUE(GetUpdateRect(frameWindow(), &pending, FALSE));
    EXPECT_EQ(pending.left, 20);
    EXPECT_EQ(pending.bottom, 100);
    ASSERT_TRUE(CEditorHostWindow::pumpFor(2000, nullptr, [&] { return view->draws > draws; }));
    pixels = CaptureWindow(frameWindow());
    EXPECT_EQ(pixel(pixels, 50, 50), kBluePixel);

    // Idle turns dirty views into redraw requests.
    view->setDirty(true);
    frame->idle();
    EXPECT_TRUE(GetUpdateRect(frameWindow(), &pending, FALSE));
    CEditorHostWindow::pumpFor(50);

    // A paint with nothing to update draws nothing.
    ValidateRect(frameWindow(), nullptr);
    const int before = view->draws;
    frame->paint();
    EXPECT_EQ(view->draws, before);

    // Without views the frame paints black.
    frame->removeView(view, true);
    view = nullptr;
    ASSERT_TRUE(CEditorHostWindow::pumpFor(
        2000, nullptr, [&] { return pixel(CaptureWindow(frameWindow()), 50, 50) == kBlackPixel; }));
}

TEST_F(FrameWindowTest, OlderSystemsPaintThroughABackBuffer)
{
    CFrame::overridePlatformMajorVersion(5);
    openFrame();
    EXPECT_EQ(CFrame::getPlatformMajorVersion(), 5);
    EXPECT_EQ(GetWindowLongW(frameWindow(), GWL_EXSTYLE) & WS_EX_COMPOSITED, 0);
    ASSERT_NE(frame->getBackBuffer(), nullptr);
    EXPECT_EQ(frame->getBackBuffer()->getWidth(), 200);
    EXPECT_EQ(frame->getBackBuffer()->getHeight(), 150);
    const auto pixels = CaptureWindow(frameWindow());
    EXPECT_EQ(pixel(pixels, 50, 50), kRedPixel);
    EXPECT_EQ(pixel(pixels, 150, 50), kBlackPixel);
}

TEST_F(FrameWindowTest, MouseMessagesBecomeViewEvents)
{
    openFrame();
    post(WM_LBUTTONDOWN, MK_LBUTTON, PointParam(30, 40));
    ASSERT_EQ(view->kinds(), Kinds{"down"});
    EXPECT_EQ(view->events[0].where, CPoint(30, 40));
    EXPECT_EQ(view->events[0].buttons, kLButton);
    EXPECT_EQ(GetCapture(), frameWindow()); // the handled press captures the mouse

    // The release outside the window still reaches the view and frees the mouse.
    post(WM_LBUTTONUP, 0, PointParam(-15, 400));
    ASSERT_EQ(view->kinds(), (Kinds{"down", "up"}));
    EXPECT_EQ(view->events[1].where, CPoint(-15, 400));
    EXPECT_NE(GetCapture(), frameWindow());

    post(WM_LBUTTONDBLCLK, MK_LBUTTON | MK_SHIFT, PointParam(30, 40));
    EXPECT_EQ(view->events.back().buttons, kLButton | kShift | kDoubleClick);
    post(WM_LBUTTONUP, 0, PointParam(30, 40));

    // Alt comes from the keyboard state.
    BYTE keys[256];
    GetKeyboardState(keys);
    const BYTE menu = keys[VK_MENU];
    keys[VK_MENU] = 0x80;
    SetKeyboardState(keys);
    post(WM_LBUTTONDBLCLK, MK_LBUTTON, PointParam(30, 40));
    keys[VK_MENU] = menu;
    SetKeyboardState(keys);
    EXPECT_EQ(view->events.back().buttons, kLButton | kAlt | kDoubleClick);
    post(WM_LBUTTONUP, 0, PointParam(30, 40));

    post(WM_RBUTTONDOWN, MK_RBUTTON | MK_CONTROL, PointParam(30, 40));
    EXPECT_EQ(view->events.back().buttons, kRButton | kControl);
    post(WM_RBUTTONUP, 0, PointParam(30, 40));
    post(WM_XBUTTONDOWN, MK_XBUTTON1 | MK_MBUTTON, PointParam(30, 40));
    EXPECT_EQ(view->events.back().buttons, kButton4 | kMButton);
    post(WM_XBUTTONUP, 0, PointParam(30, 40));

    // A press the view does not handle does not capture.
    view->downAnswer = kMouseEventNotHandled;
    post(WM_LBUTTONDOWN, MK_LBUTTON, PointParam(30, 40));
    EXPECT_NE(GetCapture(), frameWindow());
    post(WM_LBUTTONDOWN, MK_LBUTTON, PointParam(150, 120)); // outside the view
    EXPECT_NE(view->events.back().where, CPoint(150, 120));
}

TEST_F(FrameWindowTest, WheelDistancesInWholeNotches)
{
    openFrame();
    POINT screen{50, 60};
    ClientToScreen(frameWindow(), &screen);
    const LPARAM where = PointParam(screen.x, screen.y);
    post(WM_MOUSEWHEEL, MAKEWPARAM(0, 120), where);
    post(WM_MOUSEWHEEL, MAKEWPARAM(0, uint16_t(-240)), where);
    post(WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, 60), where);
    ASSERT_EQ(view->kinds(), (Kinds{"wheel", "wheel", "wheel"}));
    EXPECT_EQ(view->events[0].distance, 1.0f);
    EXPECT_EQ(view->events[0].where, CPoint(50, 60)); // window coordinates
    EXPECT_EQ(view->events[1].distance, -2.0f);
    EXPECT_EQ(view->events[2].distance, 0.0f);
    EXPECT_EQ(parent->wheelMessages, 3); // passed on to the parent window
}

TEST_F(FrameWindowTest, MouseOverAndLeaveTracking)
{
    openFrame();
    // The real cursor moving over the window makes the view the mouse-over view.
    POINT inside{60, 60};
    ClientToScreen(frameWindow(), &inside);
    SetCursorPos(inside.x, inside.y);
    ASSERT_TRUE(CEditorHostWindow::pumpFor(2000, nullptr,
                                           [this] { return frame->getMouseOverView() == view; }));
    EXPECT_EQ(view->events.front().kind, "entered");
    CPoint location;
    EXPECT_TRUE(frame->getCurrentMouseLocation(location));
    EXPECT_EQ(location, CPoint(60, 60));

    // Further moves arrive without buttons.
    view->events.clear();
    post(WM_MOUSEMOVE, MK_SHIFT, PointParam(61, 60));
    ASSERT_EQ(view->kinds(), Kinds{"moved"});
    EXPECT_EQ(view->events[0].buttons, 0);
    EXPECT_EQ(view->events[0].where, CPoint(61, 60));

    // A leave notification ends the hovering; the next move only enters.
    post(WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(view->kinds(), (Kinds{"moved", "exited"}));
    EXPECT_EQ(frame->getMouseOverView(), nullptr);
    post(WM_MOUSEMOVE, 0, PointParam(62, 60));
    post(WM_MOUSEMOVE, 0, PointParam(63, 60));
    EXPECT_EQ(view->kinds(), (Kinds{"moved", "exited", "entered", "moved"}));

    // The tracking the frame armed reports the cursor leaving the window for real.
    SetCursorPos(1200, 1000);
    EXPECT_TRUE(CEditorHostWindow::pumpFor(
        2000, nullptr, [this] { return frame->getMouseOverView() == nullptr; }));
    EXPECT_EQ(view->events.back().kind, "exited");
}

TEST_F(FrameWindowTest, SwappedButtonsReadOutsideMessages)
{
    const BOOL wasSwapped = SwapMouseButton(TRUE);
    openFrame(); // registers the class, which records the swap setting
    EXPECT_TRUE(getMouseButtonsSwapped());
    SetCursorPos(1200, 1000); // away from our windows
    INPUT press{};
    press.type = INPUT_MOUSE;
    press.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &press, sizeof(press));
    CEditorHostWindow::pumpFor(50);
    const int32_t buttons = frame->getCurrentMouseButtons();
    press.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &press, sizeof(press));
    CEditorHostWindow::pumpFor(50);
    SwapMouseButton(wasSwapped);
    if (!(GetAsyncKeyState(VK_LBUTTON) & 0x8000) && buttons == 0)
        GTEST_SKIP() << "this system does not report injected buttons asynchronously";
    EXPECT_EQ(buttons & (kLButton | kRButton), kRButton); // the physical left reads as right
    setMouseButtonsSwapped(false);
}

TEST_F(FrameWindowTest, CursorsAndOutsideDestruction)
{
    openFrame();
    const HCURSOR before = GetCursor();
    frame->setCursor(kCursorHand);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));
    frame->setCursor(kCursorWait);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)));
    frame->setCursor(kCursorCopy); // no standard shape: back to the default
    EXPECT_EQ(GetCursor(), before);

    // The host destroys its window first: the frame stays usable without one.
    HWND window = frameWindow();
    DestroyWindow(parent->window);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(frame->isOpen());
    EXPECT_EQ(frame->getSystemWindow(), nullptr);
    EXPECT_EQ(frame->getParentWindow(), nullptr);
    view->invalid();
    frame->idle();
    EXPECT_EQ(CFrame::getWindowFrameCount(), 1); // released with the frame (TearDown)
}

TEST_F(FrameWindowTest, EditorClosedFromInsideAnEvent)
{
    // A press whose handling releases the frame's last reference (the editor closes): the
    // frame and its window go once the message is handled.
    openFrame();
    HWND window = frameWindow();
    view->onPress = [this]
    {
        frame->forget();
        frame = nullptr;
    };
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(30, 40));
    CEditorHostWindow::pumpFor(50);
    EXPECT_EQ(frame, nullptr);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_NE(GetCapture(), window);
    EXPECT_EQ(CFrame::getWindowFrameCount(), 0);
}

TEST_F(FrameWindowTest, KeptTextAndImagesComeBackOnlyOverTheSameDrawing)
{
    // Scenes drawn straight into a window, each once putting back pixels kept from the scenes
    // before and once afresh: they must match pixel for pixel, whatever changed under or over
    // the text and images in between (an image moving under a caption, a line across it, a
    // value changing, a half-opaque text).
    Gdiplus::Bitmap backgroundSource(160, 90, PixelFormat32bppARGB);
    Gdiplus::Bitmap markSource(24, 14, PixelFormat32bppARGB);
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 160; ++x)
            backgroundSource.SetPixel(x, y, Gdiplus::Color(255, BYTE(x), BYTE(2 * y), 90));
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 24; ++x)
            markSource.SetPixel(x, y, Gdiplus::Color(BYTE(10 * x), 255, 140, 0));
    CBitmap* background = new CBitmap(&backgroundSource);
    CBitmap* mark = new CBitmap(&markSource);
    CFontDesc* font = new CFontDesc("Arial", 14, 0);
    CRepaintCache cache;
    HWND window = parent->window;

    auto scene = [&](CRepaintCache* kept, int variant)
    {
        HDC dc = GetDC(window);
        RECT all{0, 0, 160, 90};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        auto* c = new CDrawContext(nullptr, dc, window);
        c->enableRepaintReuse(kept);
        background->draw(c, CRect(0, 0, 160, 90));
        const double markX = 10 + 7 * (variant % 3);
        mark->draw(c, CRect(markX, 18, markX + 24, 32));
        if (variant == 2)
        {
            c->setFrameColor(kRed);
            c->moveTo(CPoint(0, 25));
            c->lineTo(CPoint(150, 28));
        }
        // A half-opaque curve as the leveller's graph draws it: one step per column, a part
        // of it changing from scene to scene, the start crossing the caption.
        c->setFrameColor(CColor{255, 255, 255, 127});
        c->moveTo(CPoint(2, 20));
        for (int x = 3; x < 150; ++x)
            c->lineTo(CPoint(x, 45 + 20 * std::sin(x * 0.08) +
                                    (std::abs(x - 40 - 25 * variant) < 6 ? 7 : 0)));
        c->setFont(font);
        c->setFontColor(CColor{230, 230, 230, 255});
        c->drawStringInRect("Caption", CRect(8, 14, 90, 34), kLeftText);
        c->setFontColor(CColor{255, 160, 40, 178});
        c->drawString(variant == 3 ? "5.0 dB" : "4.5 dB", CPoint(96, 60));
        c->drawString("Range", CPoint(96, 76));
        c->forget();
        ReleaseDC(window, dc);
        return CaptureWindow(window);
    };
    for (int variant : {0, 1, 0, 2, 0, 3, 1, 0, 0})
    {
        const WindowPixels afresh = scene(nullptr, variant);
        const WindowPixels reused = scene(&cache, variant);
        ASSERT_GE(afresh.width, 160);
        int differences = 0;
        for (int y = 0; y < 90; ++y)
            for (int x = 0; x < 160; ++x)
                differences += reused.at(x, y) != afresh.at(x, y);
        EXPECT_EQ(differences, 0) << "scene " << variant;
        EXPECT_NE(afresh.at(20, 24), afresh.at(150, 5)) << "the scene was drawn";
    }
    EXPECT_GT(cache.putBackCount(), 10u) << "kept pixels were put back";
    font->forget();
    mark->forget();
    background->forget();
}
