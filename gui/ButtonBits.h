#pragma once
// The toolkit's mouse button and modifier mask, carried by every mouse event (a 32-bit value).

#include <cstdint>

enum CButton : int32_t
{
    kLButton = 1 << 1,      // 2
    kMButton = 1 << 2,      // 4
    kRButton = 1 << 3,      // 8
    kShift = 1 << 4,        // 16
    kControl = 1 << 5,      // 32
    kAlt = 1 << 6,          // 64
    kButton4 = 1 << 8,      // 256
    kButton5 = 1 << 9,      // 512
    kDoubleClick = 1 << 10, // 1024
};

// Answers of the mouse operations of views.
enum CMouseEventResult : int32_t
{
    kMouseEventNotImplemented = 0,
    kMouseEventHandled = 1,
    kMouseEventNotHandled = 2,
};

// Wheel axes of the four-argument onWheel.
enum CMouseWheelAxis : int32_t
{
    kMouseWheelAxisX = 0,
    kMouseWheelAxisY = 1,
};

// [UI thread] The current button and modifier state read from the asynchronous key state. The
// physical buttons are reported as the logical ones: when the system swaps the buttons (as
// recorded when the frame window class was registered) the physical left button reads as right.
int32_t getMouseButtons();

// [UI thread] Records the system's swap-buttons setting; the frame calls it when it registers
// its window class.
void setMouseButtonsSwapped(bool swapped);
bool getMouseButtonsSwapped();
