#pragma once
// The built plug-in's editor in a real top-level window under Wine, as a host shows it (the host
// library's editor window), driven with mouse messages posted to the editor's own window.
// [Windows only]

#include <cstdint>
#include <vector>

#include "host/lib/EditorHostWindow.h"
#include "host/lib/VstPlugin.h"

class CLevellerEditorWindow
{
  public:
    // Opens the editor of `plugin` in a new window whose client area is the editor's size.
    // False when the plug-in names no size, or no window or no editor window appears.
    bool Open(CVstPlugin& plugin);
    void Close();

    // Runs the message loop and effEditIdle (about every 10 ms) for `milliseconds`.
    void Idle(int milliseconds) { host.idle(milliseconds); }

    // Posts a mouse message to the editor's window at (x, y) in editor pixels. `keys` are the
    // message's MK_ flags (buttons and modifiers held).
    void Move(int x, int y, uintptr_t keys = 0);
    void Press(int x, int y, uintptr_t keys);
    void Release(int x, int y, uintptr_t keys = 0);

    // The client area's pixels, 3 bytes (R, G, B) each, top row first.
    bool Capture(std::vector<uint8_t>& rgb);

    int width = 0;
    int height = 0;

  private:
    void Post(unsigned message, int x, int y, uintptr_t keys);

    CEditorHostWindow host;
    void* editor = nullptr; // HWND of the plug-in's child window
};
