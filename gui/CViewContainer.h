#pragma once
// A view holding an ordered list of child views: the first added is drawn first (at the
// bottom), mouse presses go to the topmost child that accepts them. Children's sizes are in the
// container's own coordinates (origin at the container's top-left corner).
//
// Each list entry holds one reference to its view; by convention the view's creator hands its
// own first reference to the container too, which removeView / removeAll with the forget flag
// drop.
//
// All operations: [UI thread].

#include "gui/CColor.h"
#include "gui/CView.h"

#include <vector>

class COffscreenContext;

class CViewContainer : public CView
{
  public:
    CViewContainer(const CRect& size, CFrame* frame = nullptr, CBitmap* background = nullptr);
    // A detached copy with copies of every child.
    CViewContainer(const CViewContainer& other);
    ~CViewContainer() override;

    // Answers kMessageNotified to kMsgCheckIfViewContainer.
    int32_t notify(CBaseObject* sender, CMessage message) override;
    void draw(CDrawContext* context) override;
    void drawRect(CDrawContext* context, const CRect& updateRect) override;
    bool isDirty() const override;
    // `rect` in this container's coordinates; passed up shifted and clipped to `size`.
    void invalidRect(const CRect rect) override;
    void invalid() override;
    int32_t onMouseDown(CPoint& where, int32_t buttons) override;
    int32_t onMouseUp(CPoint& where, int32_t buttons) override;
    int32_t onMouseMoved(CPoint& where, int32_t buttons) override;
    bool onWheel(const CPoint& where, float distance, int32_t buttons) override;
    bool onWheel(const CPoint& where, int32_t axis, float distance, int32_t buttons) override;
    bool onDrop(CDragContainer* drag, const CPoint& where) override;
    void onDragEnter(CDragContainer* drag, const CPoint& where) override;
    void onDragLeave(CDragContainer* drag, const CPoint& where) override;
    void onDragMove(CDragContainer* drag, const CPoint& where) override;
    void parentSizeChanged() override;
    CPoint& frameToLocal(CPoint& point) const override;
    CPoint& localToFrame(CPoint& point) const override;
    bool removed(CView* parent) override;
    bool attached(CView* parent) override;
    bool isTypeOf(const char* type) const override;
    CView* newCopy() const override;

    // Appends `view` (refuses null, attached views and views already listed) and, when this
    // container is attached, attaches it and asks for its first paint.
    virtual bool addView(CView* view);
    virtual bool addView(CView* view, const CRect& mouseableArea, bool mouseEnabled = true);
    // Inserts ahead of `before` (at the end when `before` is not a child).
    virtual bool addView(CView* view, CView* before);
    virtual bool removeView(CView* view, bool withForget = true);
    virtual bool removeAll(bool withForget = true);
    virtual bool isChild(CView* view) const;
    virtual int32_t getNbViews() const;
    virtual CView* getView(int32_t index) const;
    // The topmost visible child whose mouseable area holds `where` (parent coordinates);
    // with `deep`, the search continues inside a container child and its answer is final.
    virtual CView* getViewAt(const CPoint& where, bool deep = false) const;
    virtual CViewContainer* getContainerAt(const CPoint& where, bool deep = true) const;
    virtual void setBackgroundColor(CColor color);
    virtual CColor getBackgroundColor() const { return backgroundColor; }
    virtual void setBackgroundOffset(const CPoint& offset) { backgroundOffset = offset; }
    virtual const CPoint& getBackgroundOffset() const { return backgroundOffset; }
    virtual void drawBackgroundRect(CDrawContext* context, const CRect& updateRect);
    virtual void setDrawInOffscreen(bool state);
    virtual bool getDrawInOffscreen() const { return drawInOffscreen; }
    // Gives the focus to the next child (after `oldFocus`) that wants it; false if none does.
    virtual bool advanceNextFocusView(CView* oldFocus, bool reverse = false);
    virtual bool invalidateDirtyViews();
    // The part of `rect` (in this container's coordinates) visible through its ancestors.
    virtual CRect getVisibleSize(const CRect& rect) const;
    using CView::getVisibleSize;
    virtual CView* getCurrentView() const;
    virtual bool checkUpdateRect(CView* view, const CRect& rect) const;
    virtual bool hitTestSubViews(const CPoint& where, int32_t buttons = 0);

    CView* getMouseDownView() const { return mouseDownView; }

  protected:
    // Forgets `view` wherever this container keeps a plain pointer to it.
    void clearPointersTo(CView* view);
    // Drops the references of a view that has just left the list.
    static void releaseChild(CView* view, bool withForget);

    std::vector<CView*> children; // each holds one reference
    COffscreenContext* offscreen = nullptr;
    CColor backgroundColor{0, 0, 0, 255};
    CPoint backgroundOffset;
    bool drawInOffscreen = false;
    CView* currentDragView = nullptr;
    CView* mouseDownView = nullptr;
};
