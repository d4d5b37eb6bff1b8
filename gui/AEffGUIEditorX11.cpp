// AEffGUIEditor on X11: no OLE (file drop is Windows only), and no paint waits after the idle
// step, which has handled the frame window's events and painted.
#include "gui/AEffGUIEditor.h"

#include "gui/PlatformIdle.h"

void AEffGUIEditor::enterOle() {}

void AEffGUIEditor::leaveOle() {}

void dispatchWaitingPaint() {}
