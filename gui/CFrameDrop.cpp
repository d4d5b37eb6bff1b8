// CFrame: registering the window as an OLE drop target.
#include "gui/CFrame.h"

#include "gui/CDropTarget.h"

#include <ole2.h>

void CFrame::setDropActive(bool state)
{
    if (!window || dropActive == state) return;
    if (state)
    {
        auto* target = new CDropTarget(this);
        // Held across the registration: if it fails, this Release destroys the target.
        target->AddRef();
        const bool registered = SUCCEEDED(RegisterDragDrop(window, target));
        dropTarget = registered ? target : nullptr;
        dropActive = registered;
        target->Release();
        return;
    }
    // The registration's reference goes with the revocation, and the target with it.
    RevokeDragDrop(window);
    dropTarget = nullptr;
    dropActive = false;
}
