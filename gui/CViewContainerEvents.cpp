// CViewContainer: mouse, wheel, drag and focus routing to the children.
#include "gui/CViewContainer.h"

#include "gui/CDrawContext.h"
#include "gui/CFrame.h"

int32_t CViewContainer::onMouseDown(CPoint& where, int32_t buttons)
{
    const CPoint local = where - size.getTopLeft();
    for (size_t i = children.size(); i-- > 0;)
    {
        if (i >= children.size()) continue; // the list shrank during an earlier call
        CView* child = children[i];
        if (!child->isVisible() || !child->getMouseEnabled() || !child->hitTest(local, buttons))
            continue;
        // Held for the call: the child may remove itself from the tree while it handles it.
        child->remember();
        CPoint point = local;
        const int32_t result = child->onMouseDown(point, buttons);
        if (result == kMouseEventNotImplemented)
        {
            // The older event form, with a context of its own.
            CDrawContext* context =
                new CDrawContext(parentFrame, nullptr,
                                 parentFrame ? parentFrame->getSystemWindow() : PlatformWindow{});
            point = local;
            child->mouse(context, point, buttons);
            context->forget();
        }
        else if (result == kMouseEventHandled && isChild(child))
            mouseDownView = child;
        child->forget();
        return result;
    }
    return kMouseEventNotHandled;
}

int32_t CViewContainer::onMouseUp(CPoint& where, int32_t buttons)
{
    CView* view = mouseDownView;
    if (!view) return kMouseEventNotHandled;
    mouseDownView = nullptr;
    CPoint point = where - size.getTopLeft();
    view->remember();
    view->onMouseUp(point, buttons);
    view->forget();
    return kMouseEventHandled;
}

int32_t CViewContainer::onMouseMoved(CPoint& where, int32_t buttons)
{
    CView* view = mouseDownView;
    if (!view) return kMouseEventNotHandled;
    CPoint point = where - size.getTopLeft();
    view->remember();
    const int32_t result = view->onMouseMoved(point, buttons);
    if (result != kMouseEventHandled && mouseDownView == view) mouseDownView = nullptr;
    view->forget();
    return result;
}

bool CViewContainer::onWheel(const CPoint& where, float distance, int32_t buttons)
{
    return onWheel(where, kMouseWheelAxisY, distance, buttons);
}

bool CViewContainer::onWheel(const CPoint& where, int32_t axis, float distance, int32_t buttons)
{
    CView* view = getViewAt(where, false);
    if (!view) return false;
    const CPoint point = where - size.getTopLeft();
    return view->onWheel(point, axis, distance, buttons);
}

void CViewContainer::onDragEnter(CDragContainer* drag, const CPoint& where)
{
    const CPoint point = where - size.getTopLeft();
    if (currentDragView) currentDragView->onDragLeave(drag, point);
    currentDragView = getViewAt(where, false);
    if (currentDragView) currentDragView->onDragEnter(drag, point);
}

void CViewContainer::onDragMove(CDragContainer* drag, const CPoint& where)
{
    const CPoint point = where - size.getTopLeft();
    CView* view = getViewAt(where, false);
    if (view == currentDragView)
    {
        if (view) view->onDragMove(drag, point);
        return;
    }
    if (currentDragView) currentDragView->onDragLeave(drag, point);
    currentDragView = view;
    if (view) view->onDragEnter(drag, point);
}

void CViewContainer::onDragLeave(CDragContainer* drag, const CPoint& where)
{
    const CPoint point = where - size.getTopLeft();
    CView* view = currentDragView;
    currentDragView = nullptr;
    if (view) view->onDragLeave(drag, point);
}

bool CViewContainer::onDrop(CDragContainer* drag, const CPoint& where)
{
    const CPoint point = where - size.getTopLeft();
    CView* view = getViewAt(where, false);
    if (currentDragView && currentDragView != view) currentDragView->onDragLeave(drag, point);
    currentDragView = nullptr;
    if (!view) return false;
    const bool result = view->onDrop(drag, point);
    view->onDragLeave(drag, point);
    return result;
}

bool CViewContainer::advanceNextFocusView(CView* oldFocus, bool reverse)
{
    const int32_t count = int32_t(children.size());
    int32_t index = reverse ? count - 1 : 0;
    if (oldFocus)
    {
        // The child of this container that is, or holds, the old focus view.
        CView* branch = oldFocus;
        while (branch && branch->getParentView() != this)
            branch = branch->getParentView();
        for (int32_t i = 0; branch && i < count; ++i)
        {
            if (children[size_t(i)] != branch) continue;
            if (branch != oldFocus)
                if (auto* container = dynamic_cast<CViewContainer*>(branch))
                    if (container->advanceNextFocusView(oldFocus, reverse)) return true;
            index = reverse ? i - 1 : i + 1;
            break;
        }
    }
    for (; index >= 0 && index < int32_t(children.size()); index += reverse ? -1 : 1)
    {
        CView* child = children[size_t(index)];
        if (child->wantsFocus())
        {
            if (parentFrame) parentFrame->setFocusView(child);
            child->takeFocus();
            return true;
        }
        if (auto* container = dynamic_cast<CViewContainer*>(child))
            if (container->advanceNextFocusView(nullptr, reverse)) return true;
    }
    return false;
}
