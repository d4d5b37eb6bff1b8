#pragma once
// Optional observer of a frame's mouse activity (entry into and exit from views, moves and
// presses over the frame). All operations: [UI thread].

#include "gui/CPoint.h"

class CFrame;
class CView;

class CMouseObserver
{
  public:
    virtual ~CMouseObserver() = default;
    virtual void onMouseEntered(CView* view, CFrame* frame) = 0;
    virtual void onMouseExited(CView* view, CFrame* frame) = 0;
    virtual void onMouseMoved(CFrame* frame, const CPoint& where) = 0;
    virtual void onMouseDown(CFrame* frame, const CPoint& where) = 0;
};
