// CFrame: mouse, wheel and key routing and focus, the same on every platform (the window
// system's mouse position and cursors are in CFrameWin32.cpp and CFrameX11.cpp).
#include "gui/CFrame.h"

#include "gui/CMouseObserver.h"

namespace
{
bool focusChanging = false; // a focus change is in progress (process-wide re-entry guard)

// Virtual key code of the tab key in a VstKeyCode, and the shift bit of its modifier.
constexpr unsigned char kVirtualTab = 2;
constexpr unsigned char kModifierShift = 1;

CPoint localPointOf(const CView* view, const CPoint& where)
{
    CPoint point = where;
    view->frameToLocal(point);
    return point;
}
} // namespace

int32_t CFrame::onMouseDown(CPoint& where, int32_t buttons)
{
    mouseDownView = nullptr;
    if (focusView) setFocusView(nullptr);
    if (mouseOverView)
    {
        CView* view = mouseOverView;
        mouseOverView = nullptr;
        CPoint point = localPointOf(view, where);
        view->onMouseExited(point, buttons);
        if (mouseObserver) mouseObserver->onMouseExited(view, this);
    }
    if (mouseObserver) mouseObserver->onMouseDown(this, where);
    if (modalView)
    {
        CView* view = modalView;
        CPoint point = localPointOf(view, where);
        if (!view->isVisible() || !view->hitTest(point, buttons)) return kMouseEventNotHandled;
        view->remember();
        const int32_t result = view->onMouseDown(point, buttons);
        if (result == kMouseEventHandled && view == modalView) mouseDownView = view;
        view->forget();
        return result;
    }
    return CViewContainer::onMouseDown(where, buttons);
}

int32_t CFrame::onMouseUp(CPoint& where, int32_t buttons)
{
    return CViewContainer::onMouseUp(where, buttons);
}

int32_t CFrame::onMouseMoved(CPoint& where, int32_t buttons)
{
    if (!mouseInside && window)
    {
        // One leave notification per entry; onMouseExited re-arms it.
        mouseInside = true;
        trackMouseLeave();
    }
    if (mouseObserver) mouseObserver->onMouseMoved(this, where);
    if (modalView)
    {
        CPoint point = localPointOf(modalView, where);
        return modalView->onMouseMoved(point, buttons);
    }
    const int32_t result = CViewContainer::onMouseMoved(where, buttons);
    if (result == kMouseEventHandled) return result;

    CView* view = getViewAt(where, true);
    if (view == mouseOverView)
    {
        if (!view) return result;
        CPoint point = localPointOf(view, where);
        return view->onMouseMoved(point, 0);
    }
    if (CView* previous = mouseOverView)
    {
        mouseOverView = nullptr;
        CPoint point = localPointOf(previous, where);
        previous->onMouseExited(point, buttons);
        if (mouseObserver) mouseObserver->onMouseExited(previous, this);
    }
    if (view)
    {
        mouseOverView = view;
        CPoint point = localPointOf(view, where);
        view->onMouseEntered(point, buttons);
        if (mouseObserver) mouseObserver->onMouseEntered(view, this);
    }
    return result;
}

int32_t CFrame::onMouseExited(CPoint& where, int32_t buttons)
{
    if (CView* view = mouseOverView)
    {
        mouseOverView = nullptr;
        CPoint point = localPointOf(view, where);
        view->onMouseExited(point, buttons);
        if (mouseObserver) mouseObserver->onMouseExited(view, this);
    }
    mouseInside = false;
    return kMouseEventHandled;
}

bool CFrame::onWheel(const CPoint& where, float distance, int32_t buttons)
{
    return onWheel(where, kMouseWheelAxisY, distance, buttons);
}

bool CFrame::onWheel(const CPoint& where, int32_t axis, float distance, int32_t buttons)
{
    if (mouseDownView) return false; // a drag is in progress
    CView* view = modalView ? modalView : getViewAt(where, false);
    return view ? view->onWheel(where, axis, distance, buttons) : false;
}

int32_t CFrame::onKeyDown(VstKeyCode& keyCode)
{
    int32_t result = -1;
    if (focusView) result = focusView->onKeyDown(keyCode);
    if (result == -1 && modalView) result = modalView->onKeyDown(keyCode);
    if (result == -1 && keyCode.virt == kVirtualTab)
        result = advanceNextFocusView(focusView, (keyCode.modifier & kModifierShift) != 0) ? 1 : -1;
    return result;
}

int32_t CFrame::onKeyUp(VstKeyCode& keyCode)
{
    int32_t result = -1;
    if (focusView) result = focusView->onKeyUp(keyCode);
    if (result == -1 && modalView) result = modalView->onKeyUp(keyCode);
    return result;
}

void CFrame::setFocusView(CView* view)
{
    if (view == focusView || focusChanging) return;
    focusChanging = true;
    CView* previous = focusView;
    focusView = view;
    auto tellContainers = [this](CView* changed, CMessage message)
    {
        for (CView* container = changed->getParentView(); container && container != this;
             container = container->getParentView())
            container->notify(changed, message);
    };
    if (view && view->wantsFocus())
    {
        view->setDirty(true);
        tellContainers(view, kMsgNewFocusView);
    }
    if (previous)
    {
        if (previous->wantsFocus())
        {
            previous->setDirty(true);
            tellContainers(previous, kMsgOldFocusView);
        }
        previous->looseFocus();
    }
    focusChanging = false;
}

CPoint CFrame::getCurrentMouseLocation() const
{
    CPoint where;
    getCurrentMouseLocation(where);
    return where;
}

int32_t CFrame::getCurrentMouseButtons() const
{
    return getMouseButtons();
}
