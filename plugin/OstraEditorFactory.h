#pragma once
// Makes the plug-in's editor object (no window yet). The one place that chooses the editor
// class: the Create entry calls it when the plug-in has no editor.

#include <cstdint>

class AEffEditor;
class COstra;

// [loading thread] A new editor of width x height pixels for `plugin`: the toolkit's editor in
// both builds (Win32 and GDI+ in QUAR2.dll, X11 and cairo in QUAR2.so).
AEffEditor* MakeOstraEditor(COstra* plugin, int32_t width, int32_t height);
