#pragma once
// Views for the view-tree tests: they fill their area with a colour and record every event
// they receive (kind, point, buttons), answering what the test asks them to.

#include "gui/CDragContainer.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"
#include "gui/CViewContainer.h"

#include <functional>
#include <string>
#include <vector>

struct ViewEvent
{
    std::string kind;
    CPoint where;
    int32_t buttons = 0;
    float distance = 0;
};

class RecordingView : public CView
{
  public:
    RecordingView(const CRect& size, CColor color) : CView(size), color(color) {}

    void draw(CDrawContext* context) override
    {
        ++draws;
        lastClip = context->getClipRect();
        lastOffset = context->getOffset();
        context->setFillColor(color);
        context->drawRect(size, kDrawFilled);
        CView::draw(context);
    }
    int32_t onMouseDown(CPoint& where, int32_t buttons) override
    {
        record("down", where, buttons);
        if (onPress) onPress();
        if (removeSelfOnPress && getParentView())
            static_cast<CViewContainer*>(getParentView())->removeView(this, true);
        return downAnswer;
    }
    int32_t onMouseUp(CPoint& where, int32_t buttons) override
    {
        return record("up", where, buttons), kMouseEventHandled;
    }
    int32_t onMouseMoved(CPoint& where, int32_t buttons) override
    {
        return record("moved", where, buttons), movedAnswer;
    }
    int32_t onMouseEntered(CPoint& where, int32_t buttons) override
    {
        return record("entered", where, buttons), kMouseEventHandled;
    }
    int32_t onMouseExited(CPoint& where, int32_t buttons) override
    {
        return record("exited", where, buttons), kMouseEventHandled;
    }
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons) override
    {
        record(context ? "mouse" : "mouse-without-context", where, buttons);
    }
    bool onWheel(const CPoint& where, float distance, int32_t buttons) override
    {
        record("wheel", where, buttons);
        events.back().distance = distance;
        return true;
    }
    bool hitTest(const CPoint& where, int32_t buttons) override
    {
        return acceptsHits && CView::hitTest(where, buttons);
    }
    void takeFocus() override { record("take-focus", CPoint(), 0); }
    void looseFocus() override { record("loose-focus", CPoint(), 0); }
    void onDragEnter(CDragContainer*, const CPoint& where) override
    {
        record("drag-enter", where, 0);
    }
    void onDragLeave(CDragContainer*, const CPoint& where) override
    {
        record("drag-leave", where, 0);
    }
    void onDragMove(CDragContainer*, const CPoint& where) override
    {
        record("drag-move", where, 0);
    }
    bool onDrop(CDragContainer* drag, const CPoint& where) override
    {
        record("drop", where, 0);
        int32_t size = 0, type = 0;
        const void* item = drag ? drag->first(size, type) : nullptr;
        droppedItem = item ? std::string(static_cast<const char*>(item), size_t(size)) : "";
        return dropAnswer;
    }

    void record(const char* kind, const CPoint& where, int32_t buttons)
    {
        events.push_back(ViewEvent{kind, where, buttons, 0});
    }
    std::vector<std::string> kinds() const
    {
        std::vector<std::string> list;
        for (const auto& e : events)
            list.push_back(e.kind);
        return list;
    }

    CColor color;
    int draws = 0;
    CRect lastClip;
    CPoint lastOffset;
    std::vector<ViewEvent> events;
    int32_t downAnswer = kMouseEventHandled;
    int32_t movedAnswer = kMouseEventHandled;
    bool acceptsHits = true;
    bool removeSelfOnPress = false;
    bool dropAnswer = false;
    std::string droppedItem;       // the first item of the last drop
    std::function<void()> onPress; // run inside onMouseDown
};

// A container that records the messages it is notified of.
class RecordingContainer : public CViewContainer
{
  public:
    using CViewContainer::CViewContainer;
    int32_t notify(CBaseObject* sender, CMessage message) override
    {
        if (message == kMsgNewFocusView || message == kMsgOldFocusView) messages.push_back(message);
        return CViewContainer::notify(sender, message);
    }
    std::vector<CMessage> messages;
};

// A frame without a window that records the areas invalidated in it.
class RecordingFrame : public CFrame
{
  public:
    RecordingFrame(const CRect& size, CEditorInterface* editor = nullptr)
        : CFrame(size, nullptr, editor)
    {
    }
    void invalidRect(const CRect rect) override
    {
        invalidated.push_back(rect);
        CFrame::invalidRect(rect);
    }
    std::vector<CRect> invalidated;
};
