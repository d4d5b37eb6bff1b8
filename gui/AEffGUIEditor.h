#pragma once
// The VST 2.4 editor base for editors built on the windowing toolkit: the host's editor
// requests (AEffEditor) on one side, the toolkit's view of its editor (CEditorInterface) on the
// other, so that one object serves both. It keeps the editor rectangle, the frame (while open),
// the next time doIdleStuff may run, and a knob mode shared by every editor of the process.
//
// Making one registers it as the plug-in's editor. OLE is initialised for the thread that opens
// the editor's window and uninitialised on that same thread when the window closes: hosts make
// plug-ins on a loading thread and close them on their UI thread, and an initialisation taken on
// one and released on the other would leak on the first and undo the host's own on the second.
//
// All operations: [UI thread] (both platforms: Win32 windows in QUAR2.dll, X11 in QUAR2.so).

#include <cstdint>

#include "gui/CEditorInterface.h"
#include "vst/AEffEditor.h"

class AEffGUIEditor : public AEffEditor, public CEditorInterface
{
  public:
    explicit AEffGUIEditor(AudioEffect* effect);
    ~AEffGUIEditor() override;

    // --- AEffEditor ------------------------------------------------------------------------
    // Stores a pointer to `rect` (owned by the editor); false only for a null argument.
    bool getRect(ERect** rect) override;
    // The frame's idle step (views marked dirty are redrawn), unless doIdleStuff is calling the
    // host right now.
    void idle() override;
    // The frame's key handling; true only when the frame consumed the key. False while closed.
    bool onKeyDown(VstKeyCode& keyCode) override;
    bool onKeyUp(VstKeyCode& keyCode) override;
    // The frame's wheel handling at the cursor with the current buttons. False while closed.
    bool onWheel(float distance) override;
    // Stores the process-wide knob mode; always true.
    bool setKnobMode(VstInt32 mode) override;

    // --- Added by this class -----------------------------------------------------------------
    // Parameter changes from the host: this editor draws what the script draws, so nothing.
    virtual void setParameter(VstInt32 index, float value);
    // Redraws `area` (its corners in any order), or the whole frame for null, through a new
    // drawing context of the frame. Nothing while closed.
    virtual void draw(ERect* area);

    // --- CEditorInterface (serves both bases) ------------------------------------------------
    // Lets the host idle at most every 100 ms: runs idle(), dispatches one pending paint
    // message of the thread, then asks the host to idle (masterIdle).
    void doIdleStuff() override;
    int32_t getKnobMode() const override;
    // Tell the host that a gesture on parameter `index` starts / ends.
    void beginEdit(int32_t index) override;
    void endEdit(int32_t index) override;

    // The process-wide knob mode (0 at start; nothing in this plug-in reads it).
    static int32_t knobMode;

  protected:
    ERect rect{};
    // System tick count (ms) from which doIdleStuff may run again.
    uint32_t lastTicks = 0;
    // Set while doIdleStuff calls the host, so that an idle arriving from there does not
    // re-enter the frame.
    bool inIdleStuff = false;

    // The editor's window opens: initialises OLE for this thread (once until leaveOle).
    void enterOle();
    // The editor's window closed: the matching uninitialise, on the thread that initialised.
    // Called on any other thread it does nothing: OLE can only be released where it was taken.
    void leaveOle();

  private:
    bool oleInitialized = false; // paired with one OleUninitialize on oleThread
    uint32_t oleThread = 0;      // the thread that initialised OLE
};
