// AEffGUIEditor on Windows: OLE for the editor's thread (the frame's file drop needs it) and the
// paint message waiting for the editor's window.
#include "gui/AEffGUIEditor.h"

#include "gui/PlatformIdle.h"

#include <windows.h>
#include <ole2.h>

void AEffGUIEditor::enterOle()
{
    if (oleInitialized) return;
    // S_FALSE (already initialised on this thread) also counts and needs its uninitialise; a
    // thread in another apartment mode refuses, and then there is nothing to pair.
    const HRESULT ole = OleInitialize(nullptr);
    oleInitialized = ole == S_OK || ole == S_FALSE;
    oleThread = oleInitialized ? GetCurrentThreadId() : 0;
}

void AEffGUIEditor::leaveOle()
{
    if (!oleInitialized || oleThread != GetCurrentThreadId()) return;
    OleUninitialize();
    oleInitialized = false;
    oleThread = 0;
}

void dispatchWaitingPaint()
{
    MSG message;
    if (PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageW(&message);
}
