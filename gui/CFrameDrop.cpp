// CFrame: the window's file and text drop target.
#include "gui/CFrame.h"

void CFrame::setDropActive(bool state)
{
    if (!window || dropActive == state) return;
    dropActive = state;
}
