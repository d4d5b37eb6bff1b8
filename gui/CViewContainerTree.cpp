// CViewContainer: adding, removing, attaching and finding children.
#include "gui/CViewContainer.h"

#include "gui/CFrame.h"
#include "gui/COffscreenContext.h"

#include <algorithm>

bool CViewContainer::addView(CView* view)
{
    return addView(view, static_cast<CView*>(nullptr));
}

bool CViewContainer::addView(CView* view, const CRect& area, bool enabled)
{
    if (!addView(view)) return false;
    view->setMouseableArea(area);
    view->setMouseEnabled(enabled);
    return true;
}

bool CViewContainer::addView(CView* view, CView* before)
{
    // A view listed twice would be released twice; a container inside itself would loop.
    if (!view || view == this || view->isAttached() || isChild(view)) return false;
    view->remember();
    auto position = std::find(children.begin(), children.end(), before);
    if (!before) position = children.end();
    children.insert(position, view);
    if (attachedToParent)
    {
        view->attached(this);
        view->invalid();
    }
    return true;
}

void CViewContainer::releaseChild(CView* view, bool withForget)
{
    // The forget flag drops the reference the creator handed over. When the list's entry is
    // the only reference left (the creator already let go), dropping both would destroy the
    // view and then release it again, so only the entry's reference goes.
    if (withForget && view->getNbReference() > 1) view->forget();
    view->forget();
}

void CViewContainer::clearPointersTo(CView* view)
{
    if (mouseDownView == view) mouseDownView = nullptr;
    if (currentDragView == view) currentDragView = nullptr;
}

bool CViewContainer::removeView(CView* view, bool withForget)
{
    if (!view || !isChild(view)) return false;
    view->invalid(); // its area is repainted without it
    // Only an attached tree's views can be the frame's focus or mouse-over view (and a
    // detached container's frame pointer may be stale).
    if (attachedToParent && parentFrame) parentFrame->onViewRemoved(view);
    clearPointersTo(view);
    if (attachedToParent) view->removed(this);
    // Looked up again: the calls above may have changed the list.
    auto entry = std::find(children.begin(), children.end(), view);
    if (entry == children.end()) return true;
    children.erase(entry);
    releaseChild(view, withForget);
    return true;
}

bool CViewContainer::removeAll(bool withForget)
{
    while (!children.empty())
    {
        CView* view = children.front();
        children.erase(children.begin());
        if (attachedToParent && parentFrame) parentFrame->onViewRemoved(view);
        clearPointersTo(view);
        if (attachedToParent) view->removed(this);
        releaseChild(view, withForget);
    }
    return true;
}

bool CViewContainer::isChild(CView* view) const
{
    return view && std::find(children.begin(), children.end(), view) != children.end();
}

int32_t CViewContainer::getNbViews() const
{
    return int32_t(children.size());
}

CView* CViewContainer::getView(int32_t index) const
{
    if (index < 0 || size_t(index) >= children.size()) return nullptr;
    return children[size_t(index)];
}

bool CViewContainer::attached(CView* parent)
{
    if (attachedToParent || !parent) return false;
    if (drawInOffscreen && !offscreen)
        offscreen = new COffscreenContext(parent->getFrame(), int32_t(size.getWidth()),
                                          int32_t(size.getHeight()), kBlackCColor);
    parentFrame = parent->getFrame();
    for (size_t i = 0; i < children.size(); ++i)
        children[i]->attached(this);
    return CView::attached(parent);
}

bool CViewContainer::removed(CView* parent)
{
    if (!attachedToParent) return false;
    if (offscreen)
    {
        offscreen->forget();
        offscreen = nullptr;
    }
    parentFrame = nullptr;
    for (size_t i = 0; i < children.size(); ++i)
        children[i]->removed(this);
    return CView::removed(parent);
}

CPoint& CViewContainer::frameToLocal(CPoint& point) const
{
    if (parentView) parentView->frameToLocal(point);
    point -= size.getTopLeft();
    return point;
}

CPoint& CViewContainer::localToFrame(CPoint& point) const
{
    point += size.getTopLeft();
    if (parentView) parentView->localToFrame(point);
    return point;
}

CView* CViewContainer::getViewAt(const CPoint& where, bool deep) const
{
    if (!parentFrame || !visible) return nullptr;
    const CPoint local = where - size.getTopLeft();
    for (size_t i = children.size(); i-- > 0;)
    {
        CView* child = children[i];
        if (!child->isVisible() || !child->getMouseableArea().pointInsideInclusive(local)) continue;
        if (deep)
            if (auto* container = dynamic_cast<CViewContainer*>(child))
                return container->getViewAt(local, deep);
        return child;
    }
    return nullptr;
}

CViewContainer* CViewContainer::getContainerAt(const CPoint& where, bool deep) const
{
    const CPoint local = where - size.getTopLeft();
    for (size_t i = children.size(); i-- > 0;)
    {
        auto* container = dynamic_cast<CViewContainer*>(children[i]);
        if (!container || !container->isVisible() ||
            !container->getMouseableArea().pointInsideInclusive(local))
            continue;
        return deep ? container->getContainerAt(local, deep) : container;
    }
    return const_cast<CViewContainer*>(this);
}

CRect CViewContainer::getVisibleSize(const CRect& rect) const
{
    const CPoint origin = size.getTopLeft();
    CRect r = rect;
    r.offset(origin).bound(size);
    if (auto* container = dynamic_cast<CViewContainer*>(parentView))
        r = container->getVisibleSize(r);
    else if (parentFrame && parentFrame != this)
        r = parentFrame->getVisibleSize(r);
    r.offset(-origin.x, -origin.y);
    return r;
}

CView* CViewContainer::getCurrentView() const
{
    if (!parentFrame) return nullptr;
    CPoint where;
    parentFrame->getCurrentMouseLocation(where);
    frameToLocal(where);
    for (size_t i = children.size(); i-- > 0;)
    {
        CView* child = children[i];
        if (child->isVisible() && child->getMouseableArea().pointInsideInclusive(where))
            return child;
    }
    return nullptr;
}

bool CViewContainer::checkUpdateRect(CView* view, const CRect& rect) const
{
    return view && view->checkUpdate(rect) && view->isVisible();
}

bool CViewContainer::hitTestSubViews(const CPoint& where, int32_t buttons)
{
    const CPoint local = where - size.getTopLeft();
    for (size_t i = children.size(); i-- > 0;)
    {
        CView* child = children[i];
        if (child->getMouseEnabled() && child->hitTest(local, buttons)) return true;
    }
    return false;
}
