#pragma once
// A rectangle of the editor that draws itself and answers mouse and key events. Views live in
// a tree: a CViewContainer holds children, the CFrame is the root. `size` is in the parent
// container's coordinates, and so are the points of every mouse operation.
//
// Ownership: a view's creator hands its first reference to the container it is added to.
//
// All operations: [UI thread].

#include "gui/ButtonBits.h"
#include "gui/CBaseObject.h"
#include "gui/CPoint.h"
#include "gui/CRect.h"

#include "vst/AEffectX.h" // VstKeyCode

#include <cstdint>
#include <map>
#include <vector>

class CBitmap;
class CDragContainer;
class CDrawContext;
class CEditorInterface;
class CFrame;

class CView : public CBaseObject
{
  public:
    explicit CView(const CRect& size);
    // A detached copy: same rectangle, flags and background (with its own reference).
    CView(const CView& other);
    CView& operator=(const CView&) = delete;
    ~CView() override;

    // --- Drawing ------------------------------------------------------------------------------
    // Draws the background bitmap, if any, over `size`; clears the dirty flag.
    virtual void draw(CDrawContext* context);
    virtual void drawRect(CDrawContext* context, const CRect& updateRect);
    // True when `size` and `updateRect` overlap; touching edges count.
    virtual bool checkUpdate(const CRect& updateRect) const;
    virtual bool isDirty() const;
    virtual void setDirty(bool state = true);
    // Asks the parent (while attached and visible) to redraw `rect`, in parent coordinates.
    virtual void invalidRect(const CRect rect);
    // Clears the dirty flag and asks for a redraw of the whole view.
    virtual void invalid();
    virtual void setVisible(bool state);

    // --- Mouse (answers are CMouseEventResult) ------------------------------------------------
    virtual int32_t onMouseDown(CPoint& where, int32_t buttons);
    virtual int32_t onMouseUp(CPoint& where, int32_t buttons);
    virtual int32_t onMouseMoved(CPoint& where, int32_t buttons);
    virtual int32_t onMouseEntered(CPoint& where, int32_t buttons);
    virtual int32_t onMouseExited(CPoint& where, int32_t buttons);
    // Inside `mouseableArea`, all four edges included.
    virtual bool hitTest(const CPoint& where, int32_t buttons = 0);
    virtual bool onWheel(const CPoint& where, float distance, int32_t buttons);
    // Vertical axis: the three-argument form; horizontal: the same with the distance negated.
    virtual bool onWheel(const CPoint& where, int32_t axis, float distance, int32_t buttons);
    virtual void setMouseEnabled(bool state) { mouseEnabled = state; }
    virtual bool getMouseEnabled() const { return mouseEnabled; }
    virtual void setMouseableArea(const CRect& rect) { mouseableArea = rect; }
    virtual CRect& getMouseableArea(CRect& rect) const;
    virtual const CRect& getMouseableArea() const { return mouseableArea; }

    // --- Drag and drop (base: ignored) --------------------------------------------------------
    virtual bool onDrop(CDragContainer* drag, const CPoint& where);
    virtual void onDragEnter(CDragContainer* drag, const CPoint& where);
    virtual void onDragLeave(CDragContainer* drag, const CPoint& where);
    virtual void onDragMove(CDragContainer* drag, const CPoint& where);

    // --- Keys (answer 1 handled, -1 not handled) ----------------------------------------------
    virtual int32_t onKeyDown(VstKeyCode& keyCode);
    virtual int32_t onKeyUp(VstKeyCode& keyCode);

    // --- Geometry -------------------------------------------------------------------------------
    virtual void setViewSize(const CRect& rect, bool invalidate = true);
    virtual CRect& getViewSize(CRect& rect) const;
    virtual const CRect& getViewSize() const { return size; }
    // `size` clipped by the visible areas of the containers above.
    virtual CRect getVisibleSize() const;
    virtual void parentSizeChanged() {}
    // Frame coordinates <-> the coordinates this view's `size` is in (its parent's).
    virtual CPoint& frameToLocal(CPoint& point) const;
    virtual CPoint& localToFrame(CPoint& point) const;
    virtual void setAutosizeFlags(int32_t flags) { autosizeFlags = flags; }
    virtual int32_t getAutosizeFlags() const { return autosizeFlags; }

    // --- Focus ----------------------------------------------------------------------------------
    virtual void looseFocus() {}
    virtual void takeFocus() {}
    virtual bool wantsFocus() const { return wantsFocusFlag; }
    virtual void setWantsFocus(bool state) { wantsFocusFlag = state; }

    // --- Appearance
    // ------------------------------------------------------------------------------- Takes a
    // reference to the new bitmap (may be null) and releases the old one.
    virtual void setBackground(CBitmap* bitmap);
    virtual CBitmap* getBackground() const { return background; }
    virtual void setTransparency(bool state) { transparency = state; }
    virtual bool getTransparency() const { return transparency; }

    // --- Tree
    // ------------------------------------------------------------------------------------- Answer
    // true when the state changed.
    virtual bool removed(CView* parent);
    virtual bool attached(CView* parent);
    virtual CEditorInterface* getEditor() const;
    virtual bool isTypeOf(const char* type) const;
    virtual CView* newCopy() const;
    // Event form for views that do not implement onMouseDown.
    virtual void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1);
    // The cursor in the coordinates of this view's `size`.
    virtual void getMouseLocation(CDrawContext* context, CPoint& point);
    virtual void setParentView(CView* view) { parentView = view; }
    virtual void setParentFrame(CFrame* frame) { parentFrame = frame; }
    // Adds this view's top-left corner and those of the containers above it.
    virtual CPoint& getFrameTopLeftPos(CPoint& topLeft) const;

    // --- Plain accessors
    // --------------------------------------------------------------------------
    bool isVisible() const { return visible; }
    bool isAttached() const { return attachedToParent; }
    CView* getParentView() const { return parentView; }
    CFrame* getFrame() const { return parentFrame; }
    // Attributes: small blocks of data kept under a 32-bit id, copied in and out.
    bool setAttribute(uint32_t id, const void* data, uint32_t length);
    bool getAttribute(uint32_t id, void* buffer, uint32_t bufferLength, uint32_t& length) const;
    bool removeAttribute(uint32_t id) { return attributes.erase(id) > 0; }

  protected:
    CRect size;
    CRect mouseableArea;
    CFrame* parentFrame = nullptr;
    CView* parentView = nullptr;
    bool dirty = false;
    bool mouseEnabled = true;
    bool transparency = false;
    bool wantsFocusFlag = false;
    bool attachedToParent = false;
    bool visible = true;
    int32_t autosizeFlags = 0;
    CBitmap* background = nullptr;
    std::map<uint32_t, std::vector<uint8_t>> attributes;
};
