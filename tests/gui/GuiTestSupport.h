#pragma once
// Shared helpers of the toolkit tests: a fixture that checks every scenario leaves no toolkit
// object and no GDI+ session behind, and pixel access to off-screen drawings.

#include "gui/CBaseObject.h"
#include "gui/CBitmap.h"
#include "gui/CColor.h"
#include "gui/COffscreenContext.h"
#include "gui/DrawingSession.h"
#include "runtime/ModuleHandle.h"

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

// Every test starts and ends with the same number of live toolkit objects: a leak, or an
// object released once too often, shows up as a difference.
class ToolkitTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        hInstance = GetModuleHandleW(nullptr);
        liveAtStart = CBaseObject::getLiveObjectCount();
        runningAtStart = DrawingSession::isRunning();
    }
    void TearDown() override
    {
        EXPECT_EQ(CBaseObject::getLiveObjectCount(), liveAtStart) << "toolkit objects leaked";
        EXPECT_EQ(DrawingSession::isRunning(), runningAtStart) << "GDI+ left running";
    }

    int32_t liveAtStart = 0;
    bool runningAtStart = false;
};

// The colour of one pixel of a GDI+ bitmap, as stored (not premultiplied).
inline CColor PixelOf(Gdiplus::Bitmap* bitmap, int x, int y)
{
    Gdiplus::Color c;
    if (!bitmap || bitmap->GetPixel(x, y, &c) != Gdiplus::Ok)
        return CColor{1, 2, 3, 4}; // no such pixel: a colour no test draws
    return CColor{c.GetR(), c.GetG(), c.GetB(), c.GetA()};
}

inline CColor PixelOf(COffscreenContext* context, int x, int y)
{
    return PixelOf(context->getBitmap()->getBitmap(), x, y);
}

inline constexpr CColor kRed{255, 0, 0, 255};
inline constexpr CColor kGreen{0, 255, 0, 255};
inline constexpr CColor kBlue{0, 0, 255, 255};

// gtest prints colours as their four bytes.
inline void PrintTo(const CColor& c, std::ostream* os)
{
    *os << "(" << int(c.red) << ", " << int(c.green) << ", " << int(c.blue) << ", " << int(c.alpha)
        << ")";
}

// Fills the whole surface with opaque black, the usual starting point of a drawing test.
inline void ClearToBlack(COffscreenContext* context)
{
    const CColor fill = context->getFillColor();
    context->setFillColor(kBlackCColor);
    context->drawRect(CRect(0, 0, context->getWidth(), context->getHeight()), kDrawFilled);
    context->setFillColor(fill);
}
