#pragma once
// The toolkit's view of the editor that owns a frame: what a frame asks of its editor.
// All operations: [UI thread].

#include <cstdint>

class CFrame;

class CEditorInterface
{
  public:
    // Keeps the host alive during long operations (lets it idle).
    virtual void doIdleStuff() {}
    // The host's knob mode (0 circular, 1 relative circular, 2 linear).
    virtual int32_t getKnobMode() const { return 0; }
    // A parameter gesture on parameter `index` starts / ends.
    virtual void beginEdit(int32_t /*index*/) {}
    virtual void endEdit(int32_t /*index*/) {}
    virtual ~CEditorInterface() = default;

    CFrame* getFrame() const { return frame; }

  protected:
    CFrame* frame = nullptr; // the editor's frame while it is open, else null
};
