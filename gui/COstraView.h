#pragma once
// The one view of the plug-in's editor: it covers the frame and hands every draw and every
// mouse event to the plug-in's callback table, so the effect script draws the editor and reads
// the mouse. It keeps its own copy of its rectangle (`viewRect`) for redraw requests and for the
// size it reports to the script.
//
// All operations: [UI thread].

#include "gui/CView.h"

class COstra;

class COstraView : public CView
{
  public:
    // `plugin` is the plug-in object whose callbacks and drawing context the view uses.
    COstraView(const CRect& size, COstra* plugin);
    ~COstraView() override;

    // Runs the Draw entry with the view's width and height while the plug-in object's
    // drawContext is `context`; drawContext is null again afterwards.
    void draw(CDrawContext* context) override;
    // Hand the point (frame = view coordinates) and the toolkit's button bits to the MouseDown /
    // MouseUp / MouseMoved entries; every event counts as handled.
    int32_t onMouseDown(CPoint& where, int32_t buttons) override;
    int32_t onMouseUp(CPoint& where, int32_t buttons) override;
    int32_t onMouseMoved(CPoint& where, int32_t buttons) override;
    // Hand the key to the KeyDown / KeyUp entries (character, modifier, virtual key); handled.
    int32_t onKeyDown(VstKeyCode& keyCode) override;
    int32_t onKeyUp(VstKeyCode& keyCode) override;

    // Invalidates the whole of `viewRect`.
    void invalidateWhole() { invalidRect(viewRect); }
    const CRect& getViewRect() const { return viewRect; }

  private:
    COstra* plugin = nullptr;
    CRect viewRect;
};
