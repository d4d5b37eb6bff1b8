#pragma once
// What the plug-in object asks of its editor beyond the VST 2.4 editor requests: a redraw of
// the script view. The editor class derives from this as well as from its editor base; COstra
// finds it on whatever editor it holds, so it needs to know nothing else of the editor.

class COstraEditorLink
{
  public:
    virtual ~COstraEditorLink() = default;
    // [UI thread] Invalidates the script view's whole rectangle so that the next paint runs
    // the script's drawing. False when the editor has no open view (nothing happens then).
    virtual bool invalidateScriptView() = 0;
};
