#include "gui/X11Connection.h"

#include <algorithm>
#include <vector>

namespace
{
std::vector<Display*> openDisplays; // connections of the frames with a window

XErrorHandler previousHandler = nullptr;
Display* trappedDisplay = nullptr;
int trapDepth = 0;
int trappedErrors = 0;

int trapError(Display* display, XErrorEvent* error)
{
    if (display == trappedDisplay)
    {
        ++trappedErrors;
        return 0;
    }
    return previousHandler ? previousHandler(display, error) : 0;
}
} // namespace

X11ErrorTrap::X11ErrorTrap(Display* display) : display(display)
{
    if (trapDepth++ > 0) return;
    trappedDisplay = display;
    trappedErrors = 0;
    previousHandler = XSetErrorHandler(trapError);
}

X11ErrorTrap::~X11ErrorTrap()
{
    XSync(display, False);
    if (--trapDepth > 0) return;
    XSetErrorHandler(previousHandler);
    trappedDisplay = nullptr;
}

bool X11ErrorTrap::failed() const
{
    XSync(display, False);
    return trappedErrors > 0;
}

void addFrameConnection(Display* display)
{
    openDisplays.push_back(display);
}

void removeFrameConnection(Display* display)
{
    openDisplays.erase(std::remove(openDisplays.begin(), openDisplays.end(), display),
                       openDisplays.end());
}

Display* firstFrameConnection()
{
    return openDisplays.empty() ? nullptr : openDisplays.front();
}
