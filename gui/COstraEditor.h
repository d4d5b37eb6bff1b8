#pragma once
// The plug-in's editor: a fixed-size frame in the host's window holding one COstraView, through
// which the effect script draws the editor and reads the mouse. It has no drawing or input logic
// of its own. Editor states: created (no frame) -> open (frame and view) -> closed -> open ...
//
// All operations: [UI thread].

#include <cstdint>

#include "plugin/OstraEditorLink.h"
#include "gui/AEffGUIEditor.h"

class COstra;
class COstraView;

class COstraEditor : public AEffGUIEditor, public COstraEditorLink
{
  public:
    // [loading thread] An editor of width x height pixels for `plugin` (registered as its
    // editor); no window yet.
    COstraEditor(COstra* plugin, int32_t width, int32_t height);
    // Closes the frame if the host left it open.
    ~COstraEditor() override;

    // Makes the frame as a child window of `parentWindow` (an HWND) with the script view
    // covering it; the first paint follows when the host lets the window paint. A frame that is
    // still open is released first. Always true.
    bool open(void* parentWindow) override;
    // Releases the frame (which destroys its window and the view) and lets go of the mouse (the
    // MouseUp entry, away from the view), so no edit stays open at the host. Harmless when closed.
    void close() override;
    // The script's redraw timer (the Idle entry), then the frame's idle step. Only the frame's
    // step while closed (which then does nothing).
    void idle() override;

    // COstraEditorLink: invalidates the whole script view; false while closed.
    bool invalidateScriptView() override;

    // The view of the open frame, null while closed.
    COstraView* getView() const { return frame ? view : nullptr; }
    int32_t getWidth() const { return width; }
    int32_t getHeight() const { return height; }

  private:
    COstra* plugin = nullptr;
    // The frame's view; only valid while `frame` is set (the frame owns it).
    COstraView* view = nullptr;
    int32_t width = 0;
    int32_t height = 0;
};
