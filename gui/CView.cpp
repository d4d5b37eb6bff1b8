#include "gui/CView.h"

#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"

#include <cstring>

CView::CView(const CRect& size) : size(size), mouseableArea(size) {}

CView::CView(const CView& other)
    : CBaseObject(other), size(other.size), mouseableArea(other.mouseableArea), dirty(other.dirty),
      mouseEnabled(other.mouseEnabled), transparency(other.transparency),
      wantsFocusFlag(other.wantsFocusFlag), visible(other.visible),
      autosizeFlags(other.autosizeFlags), background(other.background), attributes(other.attributes)
{
    // A copy belongs to no container yet; the parent pointers are not copied, or the copy
    // would claim a place in a tree that does not list it.
    if (background) background->remember();
}

CView::~CView()
{
    if (background) background->forget();
}

void CView::draw(CDrawContext* context)
{
    if (background && context)
    {
        if (transparency)
            background->drawTransparent(context, size, CPoint(0, 0));
        else
            background->draw(context, size, CPoint(0, 0));
    }
    setDirty(false);
}

void CView::drawRect(CDrawContext* context, const CRect&)
{
    draw(context);
}

bool CView::checkUpdate(const CRect& updateRect) const
{
    return size.touchesOrOverlaps(updateRect);
}

bool CView::isDirty() const
{
    return dirty;
}

void CView::setDirty(bool state)
{
    dirty = state;
}

void CView::invalidRect(const CRect rect)
{
    if (!attachedToParent || !visible) return;
    if (parentView)
        parentView->invalidRect(rect);
    else if (parentFrame && parentFrame != this)
        parentFrame->invalidRect(rect);
}

void CView::invalid()
{
    setDirty(false);
    invalidRect(size);
}

void CView::setVisible(bool state)
{
    if (visible == state) return;
    visible = state;
    setDirty(true);
}

int32_t CView::onMouseDown(CPoint&, int32_t)
{
    return kMouseEventNotImplemented;
}

int32_t CView::onMouseUp(CPoint&, int32_t)
{
    return kMouseEventNotImplemented;
}

int32_t CView::onMouseMoved(CPoint&, int32_t)
{
    return kMouseEventNotImplemented;
}

int32_t CView::onMouseEntered(CPoint&, int32_t)
{
    return kMouseEventNotImplemented;
}

int32_t CView::onMouseExited(CPoint&, int32_t)
{
    return kMouseEventNotImplemented;
}

bool CView::hitTest(const CPoint& where, int32_t)
{
    return mouseableArea.pointInsideInclusive(where);
}

bool CView::onWheel(const CPoint&, float, int32_t)
{
    return false;
}

bool CView::onWheel(const CPoint& where, int32_t axis, float distance, int32_t buttons)
{
    if (axis == kMouseWheelAxisX) return onWheel(where, -distance, buttons);
    return onWheel(where, distance, buttons);
}

CRect& CView::getMouseableArea(CRect& rect) const
{
    rect = mouseableArea;
    return rect;
}

bool CView::onDrop(CDragContainer*, const CPoint&)
{
    return false;
}

void CView::onDragEnter(CDragContainer*, const CPoint&) {}
void CView::onDragLeave(CDragContainer*, const CPoint&) {}
void CView::onDragMove(CDragContainer*, const CPoint&) {}

int32_t CView::onKeyDown(VstKeyCode&)
{
    return -1;
}

int32_t CView::onKeyUp(VstKeyCode&)
{
    return -1;
}

void CView::setViewSize(const CRect& rect, bool invalidate)
{
    size = rect;
    if (invalidate) setDirty(true);
}

CRect& CView::getViewSize(CRect& rect) const
{
    rect = size;
    return rect;
}

CRect CView::getVisibleSize() const
{
    if (auto* container = dynamic_cast<CViewContainer*>(parentView))
        return container->getVisibleSize(size);
    if (parentFrame && parentFrame != this) return parentFrame->getVisibleSize(size);
    return size;
}

CPoint& CView::frameToLocal(CPoint& point) const
{
    if (parentView && parentView->notify(const_cast<CView*>(this), kMsgCheckIfViewContainer))
        return parentView->frameToLocal(point);
    return point;
}

CPoint& CView::localToFrame(CPoint& point) const
{
    if (parentView && parentView->notify(const_cast<CView*>(this), kMsgCheckIfViewContainer))
        return parentView->localToFrame(point);
    return point;
}

void CView::setBackground(CBitmap* bitmap)
{
    // The new bitmap is taken before the old one is released: they may be the same object.
    if (bitmap) bitmap->remember();
    if (background) background->forget();
    background = bitmap;
    setDirty(true);
}

bool CView::removed(CView*)
{
    if (!attachedToParent) return false;
    parentView = nullptr;
    parentFrame = nullptr;
    attachedToParent = false;
    return true;
}

bool CView::attached(CView* parent)
{
    if (attachedToParent || !parent) return false;
    parentView = parent;
    parentFrame = parent->getFrame();
    attachedToParent = true;
    return true;
}

CEditorInterface* CView::getEditor() const
{
    return parentFrame ? parentFrame->getEditor() : nullptr;
}

bool CView::isTypeOf(const char* type) const
{
    return type && std::strcmp(type, "CView") == 0;
}

CView* CView::newCopy() const
{
    return new CView(*this);
}

void CView::mouse(CDrawContext*, CPoint&, int32_t) {}

void CView::getMouseLocation(CDrawContext* context, CPoint& point)
{
    if (!context) return;
    if (parentView && parentView->notify(this, kMsgCheckIfViewContainer))
    {
        // Each container shifts the origin by its own top-left corner on the way up.
        const CPoint savedOffset = context->getOffset();
        const CPoint savedScreen = context->getOffsetScreen();
        const CPoint origin = parentView->getViewSize().getTopLeft();
        context->setOffset(savedOffset + origin);
        context->setOffsetScreen(savedScreen + origin);
        parentView->getMouseLocation(context, point);
        context->setOffset(savedOffset);
        context->setOffsetScreen(savedScreen);
        return;
    }
    context->getMouseLocation(point);
}

CPoint& CView::getFrameTopLeftPos(CPoint& topLeft) const
{
    topLeft += size.getTopLeft();
    if (parentView && parentView->notify(const_cast<CView*>(this), kMsgCheckIfViewContainer))
        return parentView->getFrameTopLeftPos(topLeft);
    return topLeft;
}

bool CView::setAttribute(uint32_t id, const void* data, uint32_t length)
{
    if (!data && length > 0) return false;
    const auto* bytes = static_cast<const uint8_t*>(data);
    attributes[id] = std::vector<uint8_t>(bytes, bytes + length);
    return true;
}

bool CView::getAttribute(uint32_t id, void* buffer, uint32_t bufferLength, uint32_t& length) const
{
    const auto found = attributes.find(id);
    if (found == attributes.end() || found->second.size() > bufferLength ||
        (!buffer && !found->second.empty()))
        return false;
    length = uint32_t(found->second.size());
    if (length > 0) std::memcpy(buffer, found->second.data(), length);
    return true;
}
