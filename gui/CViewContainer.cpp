// CViewContainer: construction, drawing, invalidation and the child list.
#include "gui/CViewContainer.h"

#include "gui/CBitmap.h"
#include "gui/CFrame.h"
#include "gui/COffscreenContext.h"

#include <algorithm>
#include <cstring>

CViewContainer::CViewContainer(const CRect& size, CFrame* frame, CBitmap* bitmap) : CView(size)
{
    parentFrame = frame;
    if (bitmap)
    {
        bitmap->remember();
        background = bitmap;
    }
}

CViewContainer::CViewContainer(const CViewContainer& other)
    : CView(other), backgroundColor(other.backgroundColor),
      backgroundOffset(other.backgroundOffset), drawInOffscreen(other.drawInOffscreen)
{
    for (CView* child : other.children)
    {
        CView* copy = child->newCopy();
        addView(copy);
        copy->forget(); // the list's reference is the only one
    }
}

CViewContainer::~CViewContainer()
{
    removeAll(true);
    if (offscreen) offscreen->forget();
}

int32_t CViewContainer::notify(CBaseObject* sender, CMessage message)
{
    if (message == kMsgCheckIfViewContainer) return kMessageNotified;
    return CView::notify(sender, message);
}

void CViewContainer::draw(CDrawContext* context)
{
    drawRect(context, size);
}

void CViewContainer::drawRect(CDrawContext* context, const CRect& updateRect)
{
    if (!context) return;
    const CPoint origin = size.getTopLeft();
    const CPoint savedOffset = context->getOffset();
    const CPoint savedScreen = context->getOffsetScreen();
    CDrawContext* target = context;
    if (drawInOffscreen)
    {
        if (!offscreen)
            offscreen = new COffscreenContext(parentFrame, int32_t(size.getWidth()),
                                              int32_t(size.getHeight()), kBlackCColor);
        target = offscreen;
    }
    else
    {
        context->setOffset(savedOffset + origin);
        context->setOffsetScreen(savedScreen + origin);
    }

    const CRect entryClip = target->getClipRect();
    CRect local = updateRect;
    local.offset(-origin.x, -origin.y).bound(CRect(0, 0, size.getWidth(), size.getHeight()));
    CRect clip = local;
    clip.bound(entryClip);
    target->setClipRect(clip);

    drawBackgroundRect(target, local);
    // By index: a child's drawing must not invalidate the walk even if the list changes.
    for (size_t i = 0; i < children.size(); ++i)
    {
        CView* child = children[i];
        if (!checkUpdateRect(child, local)) continue;
        CRect childClip = child->getViewSize();
        childClip.bound(clip);
        if (childClip.getWidth() > 0 && childClip.getHeight() > 0)
        {
            target->setClipRect(childClip);
            child->drawRect(target, local);
        }
    }
    target->setClipRect(entryClip);

    if (drawInOffscreen)
        offscreen->getBitmap()->draw(context, size, CPoint(0, 0));
    else
    {
        context->setOffset(savedOffset);
        context->setOffsetScreen(savedScreen);
    }
    setDirty(false);
}

void CViewContainer::drawBackgroundRect(CDrawContext* context, const CRect& updateRect)
{
    if (!context) return;
    if (!background)
    {
        if (transparency && backgroundColor.alpha == 255) return;
        context->setFillColor(backgroundColor);
        context->setFrameColor(backgroundColor);
        context->drawRect(CRect(0, 0, size.getWidth(), size.getHeight()), kDrawFilledAndStroked);
        return;
    }
    const CRect previousClip = context->getClipRect();
    CRect clip = updateRect;
    clip.bound(previousClip);
    context->setClipRect(clip);
    const CRect whole(0, 0, background->getWidth(), background->getHeight());
    if (transparency)
        background->drawTransparent(context, whole, backgroundOffset);
    else
        background->draw(context, whole, backgroundOffset);
    context->setClipRect(previousClip);
}

bool CViewContainer::isDirty() const
{
    if (dirty) return true;
    const CRect bounds(0, 0, size.getWidth(), size.getHeight());
    for (CView* child : children)
    {
        if (!child->isDirty()) continue;
        CRect area = child->getViewSize();
        area.bound(bounds);
        if (area.getWidth() > 0 && area.getHeight() > 0) return true;
    }
    return false;
}

void CViewContainer::invalidRect(const CRect rect)
{
    if (!visible) return;
    CRect r = rect;
    r.offset(size.left, size.top).bound(size);
    if (r.isEmpty()) return;
    if (parentView)
        parentView->invalidRect(r);
    else if (parentFrame && parentFrame != this)
        parentFrame->invalidRect(r);
}

void CViewContainer::invalid()
{
    setDirty(false);
    if (parentView)
        parentView->invalidRect(size);
    else if (parentFrame && parentFrame != this)
        parentFrame->invalidRect(size);
}

bool CViewContainer::invalidateDirtyViews()
{
    if (!visible) return true;
    if (dirty)
    {
        if (parentView)
            parentView->invalidRect(size);
        else if (parentFrame)
            parentFrame->invalidRect(
                parentFrame == this ? CRect(0, 0, size.getWidth(), size.getHeight()) : size);
        return true;
    }
    for (size_t i = 0; i < children.size(); ++i)
    {
        CView* child = children[i];
        if (!child->isDirty() || !child->isVisible()) continue;
        if (auto* container = dynamic_cast<CViewContainer*>(child))
            container->invalidateDirtyViews();
        else
            child->invalid();
    }
    return true;
}

void CViewContainer::setBackgroundColor(CColor color)
{
    backgroundColor = color;
    setDirty(true);
}

void CViewContainer::setDrawInOffscreen(bool state)
{
    if (!state && offscreen)
    {
        offscreen->forget();
        offscreen = nullptr;
    }
    drawInOffscreen = state;
}

void CViewContainer::parentSizeChanged()
{
    for (size_t i = 0; i < children.size(); ++i)
        children[i]->parentSizeChanged();
}

bool CViewContainer::isTypeOf(const char* type) const
{
    return (type && std::strcmp(type, "CViewContainer") == 0) || CView::isTypeOf(type);
}

CView* CViewContainer::newCopy() const
{
    return new CViewContainer(*this);
}
