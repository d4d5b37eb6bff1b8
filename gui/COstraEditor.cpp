#include "gui/COstraEditor.h"

#include "gui/CFrame.h"
#include "gui/COstraView.h"
#include "plugin/COstra.h"

COstraEditor::COstraEditor(COstra* plugin, int32_t width, int32_t height)
    : AEffGUIEditor(plugin), plugin(plugin), width(width), height(height)
{
    rect.top = 0;
    rect.left = 0;
    rect.bottom = static_cast<VstInt16>(height);
    rect.right = static_cast<VstInt16>(width);
    if (plugin) plugin->setEditor(this);
}

COstraEditor::~COstraEditor()
{
    // A host that never sent effEditClose must not leave a window with a view whose plug-in
    // object is going away.
    close();
}

bool COstraEditor::open(void* parentWindow)
{
    // A host that opens twice without closing would otherwise leave the first window behind,
    // with a view that still calls into this plug-in object after it is gone.
    close();
    enterOle();
    const CRect size(0.0, 0.0, static_cast<double>(width), static_cast<double>(height));
    frame = new CFrame(size, parentWindow, this);
    view = new COstraView(size, plugin);
    frame->addView(view); // takes the view's first reference and invalidates its area
    return true;
}

void COstraEditor::close()
{
    if (frame)
    {
        CFrame* closing = frame;
        frame = nullptr;
        closing->forget();
        // A closing window lets go of the mouse (and ends any edit the host was told of); the
        // pointer is no longer over the view.
        if (plugin && plugin->getCallbacks().MouseUp)
            plugin->getCallbacks().MouseUp(plugin, -1.0, -1.0, 0);
    }
    leaveOle();
}

void COstraEditor::idle()
{
    if (view && frame && plugin && plugin->getCallbacks().Idle) plugin->getCallbacks().Idle(plugin);
    AEffGUIEditor::idle();
}

bool COstraEditor::invalidateScriptView()
{
    if (!frame || !view) return false;
    view->invalidateWhole();
    return true;
}
