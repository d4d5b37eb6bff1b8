// CFrame: construction, the window class, painting, invalidation and size. The parts that
// talk to the window system are Win32 here; CFrameX11.cpp has them for X11.
#include "gui/CFrame.h"

#include "gui/CBitmap.h"
#include "gui/CEditorInterface.h"
#include "gui/COffscreenContext.h"
#include "gui/GDIPlusGlobals.h"
#include "gui/PixelMath.h"
#include "runtime/ModuleHandle.h"

#ifdef _WIN32
#include <ole2.h>
#endif

#include <cstring>
#include <cwchar>

#ifdef _WIN32
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

CFrame::CFrame(const CRect& inSize, void* inParentWindow, CEditorInterface* inEditor)
    : CViewContainer(inSize, this, nullptr), editor(inEditor),
      parentWindow(static_cast<HWND>(inParentWindow))
{
    parentFrame = this;
    attachedToParent = true;
    oleInitialized = SUCCEEDED(OleInitialize(nullptr));
    GDIPlusGlobals::enter();
    platformMajorVersion = readPlatformMajorVersion();
    if (!parentWindow) return;
    if (makeWindow()) setDropActive(true);
}

CFrame::~CFrame()
{
    if (modalView)
    {
        CView* view = modalView;
        modalView = nullptr;
        CViewContainer::removeView(view, false);
    }
    setCursor(kCursorDefault);
    setDropActive(false);
    if (frameContext)
    {
        frameContext->forget();
        frameContext = nullptr;
    }
    parentFrame = nullptr;
    focusView = nullptr;
    mouseOverView = nullptr;
    mouseDownView = nullptr;
    removeAll(true);
    if (oleInitialized) OleUninitialize();
    if (backBuffer)
    {
        backBuffer->forget();
        backBuffer = nullptr;
    }
    if (window)
    {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0); // later messages get default handling
        DestroyWindow(window);
        window = nullptr;
    }
    if (countsWindow && --windowFrameCount == 0) unregisterWindowClass();
    GDIPlusGlobals::exit();
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
                drawRect(context, area);
                context->forget();
            }
        }
        EndPaint(window, &paint);
    }
    DeleteObject(region);
}

#endif // _WIN32

void CFrame::draw(CDrawContext* context)
{
    drawRect(context, size);
}

void CFrame::drawRect(CDrawContext* context, const CRect& updateRect)
{
    firstDraw = false;
    CDrawContext* target = context ? context : frameContext;
    if (target)
        target->remember();
    else
        target = new CDrawContext(this, nullptr, window);
    const CRect previousClip = target->getClipRect();
    CRect clip = updateRect;
    clip.bound(previousClip);
    target->setClipRect(clip);
    if (updateRect.getWidth() > 0 && updateRect.getHeight() > 0)
        CViewContainer::drawRect(target, updateRect);
    target->setClipRect(previousClip);
    target->forget();
}

#ifdef _WIN32
void CFrame::invalidRect(const CRect rect)
{
    if (!visible || !window) return;
    RECT area{truncatePixel(rect.left), truncatePixel(rect.top), truncatePixel(rect.right),
              truncatePixel(rect.bottom)};
    InvalidateRect(window, &area, TRUE);
}

#endif // _WIN32

void CFrame::invalid()
{
    setDirty(false);
    invalidRect(size);
}

void CFrame::idle()
{
    if (open) invalidateDirtyViews();
#ifndef _WIN32
    // X11 has no message loop of ours: the window's events and paints are served here.
    handleEvents();
#endif
}

void CFrame::invalidate(const CRect& rect)
{
    for (size_t i = 0; i < children.size(); ++i)
        if (children[i]->checkUpdate(rect)) children[i]->setDirty(true);
}

bool CFrame::removeView(CView* view, bool withForget)
{
    if (view && view == modalView) modalView = nullptr;
    return CViewContainer::removeView(view, withForget);
}

void CFrame::onViewRemoved(CView* view)
{
    // The removed view may be an ancestor of the remembered one (a whole container leaving).
    auto inside = [view](CView* candidate)
    {
        for (; candidate; candidate = candidate->getParentView())
            if (candidate == view) return true;
        return false;
    };
    if (inside(focusView)) focusView = nullptr;
    if (inside(mouseOverView)) mouseOverView = nullptr;
    if (inside(modalView)) modalView = nullptr;
}

int32_t CFrame::setModalView(CView* view)
{
    if (view && modalView) return 0; // one modal view at a time
    if (modalView)
    {
        CView* previous = modalView;
        modalView = nullptr;
        CViewContainer::removeView(previous, false);
    }
    if (view && !addView(view)) return 0;
    modalView = view;
    return 1;
}

bool CFrame::isTypeOf(const char* type) const
{
    return (type && std::strcmp(type, "CFrame") == 0) || CViewContainer::isTypeOf(type);
}

void CFrame::doIdleStuff()
{
    if (editor) editor->doIdleStuff();
}

#ifdef _WIN32
uint32_t CFrame::getTicks() const
{
    return GetTickCount();
}

#endif // _WIN32

int32_t CFrame::getKnobMode() const
{
    return editor ? editor->getKnobMode() : 0;
}

void CFrame::beginEdit(int32_t index)
{
    if (editor) editor->beginEdit(index);
}

void CFrame::endEdit(int32_t index)
{
    if (editor) editor->endEdit(index);
}

bool CFrame::setPosition(double, double)
{
    return false;
}

#ifdef _WIN32
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

#endif // _WIN32

bool CFrame::getSize(CRect* rect) const
{
    return rect && getSize(*rect);
}

#ifdef _WIN32
bool CFrame::getSize(CRect& rect) const
{
    double x = 0, y = 0;
    RECT r{};
    if (!window || !getPosition(x, y) || !GetWindowRect(window, &r))
    {
        rect = size;
        return true;
    }
    rect = CRect(x, y, x + (r.right - r.left), y + (r.bottom - r.top));
    return true;
}

bool CFrame::setSize(double width, double height)
{
    if (width == size.getWidth() && height == size.getHeight()) return false;
    if (backBuffer)
    {
        backBuffer->forget();
        backBuffer = nullptr;
    }
    if (window)
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
    setViewSize(CRect(size.left, size.top, size.left + width, size.top + height), true);
    return true;
}
#endif // _WIN32
