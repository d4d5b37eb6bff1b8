// CFrame on Win32: the child window class, the window's life, painting, invalidation, size,
// position, the cursor and the mouse position. The window procedure is CFrameWin32Messages.cpp,
// the drop target registration CFrameDrop.cpp.
#include "gui/CFrame.h"

#include "gui/CBitmap.h"
#include "gui/COffscreenContext.h"
#include "gui/PixelMath.h"
#include "gui/PlatformIdle.h"
#include "gui/RepaintCache.h"
#include "runtime/ModuleHandle.h"

#include <ole2.h>

#include <cwchar>

namespace
{
wchar_t className[64] = L"";  // "Plugin" + the module handle, while registered
int32_t windowFrameCount = 0; // frames that own a window; the class lives while > 0
int32_t platformMajorVersion = 0;
int32_t majorVersionOverride = 0;

int32_t readPlatformMajorVersion()
{
    if (majorVersionOverride > 0) return majorVersionOverride;
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&info)) return 0;
#pragma GCC diagnostic pop
    return int32_t(info.dwMajorVersion);
}

// A 32-bit extended style that makes the system double-buffer the window.
constexpr DWORD kCompositedStyle = 0x02000000;
// Child, visible, clipping siblings and children.
constexpr DWORD kFrameWindowStyle = 0x56000000;
// Borders that enclosing windows may add before setSize stops growing them, in pixels.
constexpr int kMaxEnclosingBorder = 81;
} // namespace

void CFrame::beginPlatform()
{
    oleInitialized = SUCCEEDED(OleInitialize(nullptr));
    platformMajorVersion = readPlatformMajorVersion();
}

void CFrame::releaseWindow()
{
    if (oleInitialized) OleUninitialize();
    releaseBackBuffer();
    delete repaintCache;
    repaintCache = nullptr;
    if (window)
    {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0); // later messages get default handling
        DestroyWindow(window);
        window = nullptr;
    }
    if (countsWindow && --windowFrameCount == 0) unregisterWindowClass();
}

bool CFrame::registerWindowClass()
{
    wsprintfW(className, L"Plugin%p", hInstance);
    WNDCLASSW windowClass{};
    windowClass.style = CS_GLOBALCLASS | CS_DBLCLKS;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = static_cast<HINSTANCE>(hInstance);
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // arrow
    windowClass.lpszClassName = className;
    const bool registered = RegisterClassW(&windowClass) != 0;
    setMouseButtonsSwapped(GetSystemMetrics(SM_SWAPBUTTON) > 0);
    return registered;
}

void CFrame::unregisterWindowClass()
{
    UnregisterClassW(className, static_cast<HINSTANCE>(hInstance));
    className[0] = 0;
}

bool CFrame::makeWindow()
{
    if (++windowFrameCount == 1) registerWindowClass();
    countsWindow = true;
    window = CreateWindowExW(platformMajorVersion >= 6 ? kCompositedStyle : 0, className, L"Window",
                             kFrameWindowStyle, 0, 0, truncatePixel(size.getWidth()),
                             truncatePixel(size.getHeight()), parentWindow, nullptr,
                             static_cast<HINSTANCE>(hInstance), nullptr);
    if (!window)
    {
        // Without a window this frame must not keep the class registered.
        countsWindow = false;
        if (--windowFrameCount == 0) unregisterWindowClass();
        return false;
    }
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return true;
}

const wchar_t* CFrame::getClassName()
{
    return className;
}

int32_t CFrame::getWindowFrameCount()
{
    return windowFrameCount;
}

int32_t CFrame::getPlatformMajorVersion()
{
    return platformMajorVersion;
}

void CFrame::overridePlatformMajorVersion(int32_t major)
{
    majorVersionOverride = major;
}

void CFrame::handleEvents()
{
    // The window procedure gets the window's messages from the host's message loop.
}

void CFrame::paint()
{
    if (!window) return;
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    const int type = GetUpdateRgn(window, region, FALSE);
    if (type != NULLREGION && type != ERROR)
    {
        PAINTSTRUCT paint{};
        HDC dc = BeginPaint(window, &paint);
        if (dc)
        {
            const CRect area(paint.rcPaint.left, paint.rcPaint.top, paint.rcPaint.right,
                             paint.rcPaint.bottom);
            if (platformMajorVersion <= 5)
            {
                // Older systems flicker when drawing straight into the window.
                if (!backBuffer)
                    backBuffer =
                        new COffscreenContext(this, truncatePixel(size.getWidth()),
                                              truncatePixel(size.getHeight()), kBlackCColor);
                drawRect(backBuffer, area);
                CDrawContext* windowContext = new CDrawContext(this, dc, window);
                backBuffer->getBitmap()->draw(windowContext, area, area.getTopLeft());
                windowContext->forget();
            }
            else
            {
                CDrawContext* context = new CDrawContext(this, dc, window);
                if (!repaintCache) repaintCache = new CRepaintCache();
                context->enableRepaintReuse(repaintCache);
                drawRect(context, area);
                context->forget();
            }
        }
        EndPaint(window, &paint);
    }
    DeleteObject(region);
}

void CFrame::invalidRect(const CRect rect)
{
    if (!visible || !window) return;
    RECT area{truncatePixel(rect.left), truncatePixel(rect.top), truncatePixel(rect.right),
              truncatePixel(rect.bottom)};
    InvalidateRect(window, &area, TRUE);
}

uint32_t platformTicks()
{
    return GetTickCount();
}

void platformSleep(uint32_t milliseconds)
{
    Sleep(milliseconds);
}

bool CFrame::getPosition(double& x, double& y) const
{
    if (!open || !window) return false;
    RECT r{};
    GetWindowRect(window, &r);
    POINT corner{r.left, r.top};
    MapWindowPoints(HWND_DESKTOP, GetParent(window), &corner, 1);
    x = corner.x;
    y = corner.y;
    return true;
}

bool CFrame::getWindowExtent(double& width, double& height) const
{
    RECT r{};
    if (!GetWindowRect(window, &r)) return false;
    width = r.right - r.left;
    height = r.bottom - r.top;
    return true;
}

void CFrame::resizeWindow(double width, double height)
{
    const int newWidth = truncatePixel(width), newHeight = truncatePixel(height);
    RECT own{};
    GetWindowRect(window, &own);
    int childWidth = own.right - own.left, childHeight = own.bottom - own.top;
    SetWindowPos(window, nullptr, 0, 0, newWidth, newHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Each enclosing window keeps the border it has around its child, up to the host's
    // document area (MDIClient) or a window whose borders are too big to be a mere wrapper.
    int borderX = 0, borderY = 0;
    for (HWND enclosing = GetParent(window); enclosing; enclosing = GetParent(enclosing))
    {
        wchar_t name[32] = L"";
        GetClassNameW(enclosing, name, 32);
        if (std::wcscmp(name, L"MDIClient") == 0) break;
        RECT r{};
        GetWindowRect(enclosing, &r);
        borderX += (r.right - r.left) - childWidth;
        borderY += (r.bottom - r.top) - childHeight;
        if (borderX >= kMaxEnclosingBorder || borderY >= kMaxEnclosingBorder) break;
        childWidth = r.right - r.left;
        childHeight = r.bottom - r.top;
        SetWindowPos(enclosing, nullptr, 0, 0, newWidth + borderX, newHeight + borderY,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void CFrame::trackMouseLeave()
{
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof(track);
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = window;
    TrackMouseEvent(&track);
}

bool CFrame::getCurrentMouseLocation(CPoint& where) const
{
    POINT cursor{};
    RECT r{};
    if (!window || !GetCursorPos(&cursor) || !GetWindowRect(window, &r)) return false;
    where = CPoint(cursor.x - r.left, cursor.y - r.top);
    return true;
}

void CFrame::setCursor(int32_t type)
{
    if (!defaultCursor) defaultCursor = GetCursor();
    int id = 0;
    switch (type)
    {
    case kCursorWait:
        id = 32514;
        break;
    case kCursorHSize:
        id = 32644;
        break;
    case kCursorVSize:
        id = 32645;
        break;
    case kCursorSizeAll:
        id = 32646;
        break;
    case kCursorNESWSize:
        id = 32643;
        break;
    case kCursorNWSESize:
        id = 32642;
        break;
    case kCursorNotAllowed:
        id = 32648;
        break;
    case kCursorHand:
        id = 32649;
        break;
    default:
        break;
    }
    SetCursor(id ? LoadCursorW(nullptr, MAKEINTRESOURCEW(id)) : defaultCursor);
}
