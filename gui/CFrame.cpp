// CFrame: construction and destruction, drawing the views, invalidation, size, the modal view
// and the editor's calls, the same on every platform. What talks to the window system is in
// CFrameWin32.cpp (Win32) and CFrameX11.cpp (X11); the mouse and focus routing is
// CFrameInput.cpp.
#include "gui/CFrame.h"

#include "gui/CEditorInterface.h"
#include "gui/COffscreenContext.h"
#include "gui/DrawingSession.h"
#include "gui/PlatformIdle.h"

#include <cstring>

CFrame::CFrame(const CRect& inSize, void* inParentWindow, CEditorInterface* inEditor)
    : CViewContainer(inSize, this, nullptr), editor(inEditor),
      parentWindow(reinterpret_cast<PlatformWindow>(inParentWindow))
{
    parentFrame = this;
    attachedToParent = true;
    beginPlatform();
    DrawingSession::enter();
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
    releaseWindow();
    DrawingSession::exit();
}

void CFrame::releaseBackBuffer()
{
    if (!backBuffer) return;
    backBuffer->forget();
    backBuffer = nullptr;
}

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

void CFrame::invalid()
{
    setDirty(false);
    invalidRect(size);
}

void CFrame::idle()
{
    if (open) invalidateDirtyViews();
    handleEvents();
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

uint32_t CFrame::getTicks() const
{
    return platformTicks();
}

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

bool CFrame::getSize(CRect* rect) const
{
    return rect && getSize(*rect);
}

bool CFrame::getSize(CRect& rect) const
{
    double x = 0, y = 0, width = 0, height = 0;
    if (!window || !getPosition(x, y) || !getWindowExtent(width, height))
    {
        rect = size;
        return true;
    }
    rect = CRect(x, y, x + width, y + height);
    return true;
}

bool CFrame::setSize(double width, double height)
{
    if (width == size.getWidth() && height == size.getHeight()) return false;
    releaseBackBuffer();
    if (window) resizeWindow(width, height);
    setViewSize(CRect(size.left, size.top, size.left + width, size.top + height), true);
    return true;
}
