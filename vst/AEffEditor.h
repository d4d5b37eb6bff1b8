#pragma once
// Base class of a plug-in editor: the object that the host's editor requests reach through the
// dispatcher (effEditGetRect, effEditOpen, effEditClose, effEditIdle, effEditKeyDown/Up,
// effSetEditKnobMode). Every operation here has the "no editor window" answer; a real editor
// overrides what it supports. All operations run on the host's user-interface thread.

#include "vst/AEffectX.h"

class AudioEffect;

class AEffEditor
{
  public:
    // Registers nothing: the owner calls AudioEffect::setEditor with the new editor.
    explicit AEffEditor(AudioEffect* effect = nullptr) : effect(effect) {}
    virtual ~AEffEditor() = default;
    AEffEditor(const AEffEditor&) = delete;
    AEffEditor& operator=(const AEffEditor&) = delete;

    // [UI thread] The plug-in object this editor belongs to.
    virtual AudioEffect* getEffect() { return effect; }
    // [UI thread] Stores a pointer to the editor's rectangle (owned by the editor) in *rect;
    // the base has none and answers false. A null `rect` is never written.
    virtual bool getRect(ERect** rect)
    {
        if (rect) *rect = nullptr;
        return false;
    }
    // [UI thread] Opens the editor inside the host's window `ptr`; the base only records the
    // window and answers false (no window was made).
    virtual bool open(void* ptr)
    {
        systemWindow = ptr;
        return false;
    }
    // [UI thread] Closes the editor window; forgets the host window.
    virtual void close() { systemWindow = nullptr; }
    // [UI thread] True while the base open has recorded a host window.
    virtual bool isOpen() { return systemWindow != nullptr; }
    // [UI thread] Called by the host many times a second while the editor is open.
    virtual void idle() {}
    // [UI thread] Key events from the host; true when the editor consumed the key.
    virtual bool onKeyDown(VstKeyCode& /*keyCode*/) { return false; }
    virtual bool onKeyUp(VstKeyCode& /*keyCode*/) { return false; }
    // [UI thread] Mouse wheel moved by `distance` notches; true when consumed.
    virtual bool onWheel(float /*distance*/) { return false; }
    // [UI thread] Host's preferred knob mode (0 circular, 1 relative circular, 2 linear).
    virtual bool setKnobMode(VstInt32 /*mode*/) { return false; }

  protected:
    AudioEffect* effect = nullptr;
    void* systemWindow = nullptr; // the host's parent window, as recorded by the base open
};
