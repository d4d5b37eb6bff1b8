#include "gui/ButtonBits.h"

#include <windows.h>

namespace
{
bool buttonsSwapped = false; // the system setting when the frame window class was registered
} // namespace

void setMouseButtonsSwapped(bool swapped)
{
    buttonsSwapped = swapped;
}

bool getMouseButtonsSwapped()
{
    return buttonsSwapped;
}

int32_t getMouseButtons()
{
    auto down = [](int key) { return (GetAsyncKeyState(key) & 0x8000) != 0; };
    int32_t buttons = 0;
    // The asynchronous state reports the physical buttons; the toolkit reports logical ones.
    if (down(VK_LBUTTON)) buttons |= buttonsSwapped ? kRButton : kLButton;
    if (down(VK_RBUTTON)) buttons |= buttonsSwapped ? kLButton : kRButton;
    if (down(VK_MBUTTON)) buttons |= kMButton;
    if (down(VK_SHIFT)) buttons |= kShift;
    if (down(VK_CONTROL)) buttons |= kControl;
    if (down(VK_MENU)) buttons |= kAlt;
    return buttons;
}
