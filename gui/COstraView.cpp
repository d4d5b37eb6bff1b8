#include "gui/COstraView.h"

#include "gui/ButtonBits.h"
#include "plugin/COstra.h"

COstraView::COstraView(const CRect& size, COstra* plugin)
    : CView(size), plugin(plugin), viewRect(size)
{
}

COstraView::~COstraView() = default;

void COstraView::draw(CDrawContext* context)
{
    if (!plugin) return;
    const TOstraCallbacks& callbacks = plugin->getCallbacks();
    if (!callbacks.Draw) return;
    plugin->drawContext = context;
    callbacks.Draw(plugin, viewRect.right - viewRect.left, viewRect.bottom - viewRect.top);
    plugin->drawContext = nullptr;
}

int32_t COstraView::onMouseDown(CPoint& where, int32_t buttons)
{
    if (plugin && plugin->getCallbacks().MouseDown)
        plugin->getCallbacks().MouseDown(plugin, where.x, where.y, static_cast<uint32_t>(buttons));
    return kMouseEventHandled;
}

int32_t COstraView::onMouseUp(CPoint& where, int32_t buttons)
{
    if (plugin && plugin->getCallbacks().MouseUp)
        plugin->getCallbacks().MouseUp(plugin, where.x, where.y, static_cast<uint32_t>(buttons));
    return kMouseEventHandled;
}

int32_t COstraView::onMouseMoved(CPoint& where, int32_t buttons)
{
    if (plugin && plugin->getCallbacks().MouseMoved)
        plugin->getCallbacks().MouseMoved(plugin, where.x, where.y, static_cast<uint32_t>(buttons));
    return kMouseEventHandled;
}

int32_t COstraView::onKeyDown(VstKeyCode& keyCode)
{
    if (plugin && plugin->getCallbacks().KeyDown)
        plugin->getCallbacks().KeyDown(plugin, keyCode.character, keyCode.modifier, keyCode.virt);
    return 1;
}

int32_t COstraView::onKeyUp(VstKeyCode& keyCode)
{
    if (plugin && plugin->getCallbacks().KeyUp)
        plugin->getCallbacks().KeyUp(plugin, keyCode.character, keyCode.modifier, keyCode.virt);
    return 1;
}
