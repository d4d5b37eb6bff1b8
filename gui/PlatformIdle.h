#pragma once
// The window system's part of idle timing: its millisecond tick, a pause, and the paint that may
// be waiting for the editor's window. The tick and the pause are defined with the frame's window
// code (CFrameWin32.cpp, CFrameX11.cpp), the paint with the editor's (AEffGUIEditorWin32.cpp,
// AEffGUIEditorX11.cpp).

#include <cstdint>

// [any thread] Milliseconds since an arbitrary start, wrapping at 2^32 (as GetTickCount counts).
uint32_t platformTicks();
// [any thread] Waits `milliseconds`.
void platformSleep(uint32_t milliseconds);
// [UI thread] Windows: dispatches one paint message waiting for this thread's windows. X11:
// nothing (the frame's idle step has handled its window's events and painted).
void dispatchWaitingPaint();
