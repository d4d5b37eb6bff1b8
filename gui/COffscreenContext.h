#pragma once
// A drawing context over an in-memory 32-bit ARGB bitmap. The frame uses one as its back
// buffer where the platform needs it; tests read drawn pixels back from `bitmap`.
//
// All operations: [UI thread].

#include "gui/CDrawContext.h"

class CBitmap;

class COffscreenContext : public CDrawContext
{
  public:
    // A bitmap of width x height pixels (not cleared: it starts transparent). The background
    // colour is only recorded. The clip is 0, 0, width, height (a negative size gives the
    // negative coordinate and 0, and no image).
    COffscreenContext(CFrame* frame, int32_t width, int32_t height,
                      CColor backgroundColor = kBlackCColor);
    ~COffscreenContext() override;

    // The bitmap with every line drawn so far on it.
    CBitmap* getBitmap() const
    {
        flushLines();
        return bitmap;
    }
    double getWidth() const { return width; }
    double getHeight() const { return height; }
    CColor getBackgroundColor() const { return backgroundColor; }

  protected:
    CBitmap* bitmap = nullptr; // owned: one reference
    double height = 0.0;
    double width = 0.0;
    CColor backgroundColor{}; // recorded only
};
