#include "plugin/OstraEditorFactory.h"

#include "gui/COstraEditor.h"
#include "plugin/COstra.h"

AEffEditor* MakeOstraEditor(COstra* plugin, int32_t width, int32_t height)
{
    // The editor on the windowing toolkit: Win32 and GDI+ in QUAR2.dll, X11 and cairo in
    // QUAR2.so.
    return new COstraEditor(plugin, width, height);
}
