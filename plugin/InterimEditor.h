#pragma once
// INTERIM EDITOR, to be deleted when the real editor (COstraEditor with its script view) is
// built into the plug-in: swap the class in OstraEditorFactory.cpp and remove these two files.
//
// It lets hosts see an editor of the right size (the has-editor flag and effEditGetRect) while
// it opens no window: every other editor request gets the base's "nothing done" answer.

#include "plugin/OstraEditorLink.h"
#include "vst/AEffEditor.h"

class COstraInterimEditor : public AEffEditor, public COstraEditorLink
{
  public:
    // [loading thread] An editor of width x height pixels for `effect`.
    COstraInterimEditor(AudioEffect* effect, int32_t width, int32_t height);

    // [UI thread] The editor rectangle: top 0, left 0, bottom height, right width.
    bool getRect(ERect** rect) override;
    // [UI thread] There is no script view to redraw.
    bool invalidateScriptView() override { return false; }

  private:
    ERect rect{};
};
