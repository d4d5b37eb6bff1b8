#include "plugin/OstraEditorFactory.h"

#ifdef _WIN32
#include "plugin/COstra.h"
#include "gui/COstraEditor.h"
#endif

AEffEditor* MakeOstraEditor(COstra* plugin, int32_t width, int32_t height)
{
#ifdef _WIN32
    return new COstraEditor(plugin, width, height);
#else
    // The editor is built on the Windows toolkit; elsewhere the plug-in has none (no
    // has-editor flag, and the editor requests answer 0).
    (void)plugin;
    (void)width;
    (void)height;
    return nullptr;
#endif
}
