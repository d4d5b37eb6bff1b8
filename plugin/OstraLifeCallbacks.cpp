// The life-cycle entries of the callback table: record set-up (Create, Destroy), the runtime's
// hooks (Open, Suspend, Resume, Idle, Close), the editor's drawing and mouse (Draw, MouseDown,
// MouseUp, MouseMoved), the identity texts (GetVendorVersion, GetVendorString,
// GetProductString, GetEffectName) and the program name (GetProgramName, SetProgramName,
// GetProgramNameIndexed).

#include <algorithm>

#include "plugin/COstra.h"
#include "plugin/EditorSize.h"
#include "plugin/OstraEditorFactory.h"
#include "plugin/OstraCallbackFillers.h"
#include "plugin/OstraTextBounds.h"
#include "runtime/Xlat.h"

namespace
{
// Mouse input keeps the editor redrawing at least this often (frames per second).
constexpr double kMouseRedrawRate = 30.0;

// Toolkit button bits -> script mouse mask.
double ScriptButtons(uint32_t buttons)
{
    double mask = 0.0;
    if (buttons & 2u) mask += 1.0;   // left
    if (buttons & 8u) mask += 2.0;   // right
    if (buttons & 32u) mask += 4.0;  // control
    if (buttons & 16u) mask += 8.0;  // shift
    if (buttons & 64u) mask += 16.0; // alt
    if (buttons & 4u) mask += 64.0;  // middle
    return mask;
}

void Create(COstra* plugin)
{
    TXlat* runtime = plugin->getRuntime();
    if (!runtime) return;
    plugin->setNumInputs(runtime->channelCount);
    plugin->setNumOutputs(runtime->channelCount);
    plugin->setUniqueID(runtime->uniqueId);
    // The look-ahead is fixed: the record carries it from the start, for hosts that read the
    // delay right after the entry point or before they resume.
    plugin->setInitialDelay(runtime->latencyFrames);
    if (!plugin->getEditor())
    {
        if (AEffEditor* editor = MakeOstraEditor(plugin, kEditorWidth, kEditorHeight))
            plugin->setEditor(editor);
    }
    plugin->programsAreChunks(true);
}

void Destroy(COstra* plugin)
{
    delete plugin->getRuntime();
}

void Open(COstra* plugin)
{
    if (TXlat* runtime = plugin->getRuntime()) runtime->DoOpen();
}

void Suspend(COstra* plugin)
{
    if (TXlat* runtime = plugin->getRuntime()) runtime->DoSuspend();
}

void Resume(COstra* plugin)
{
    if (TXlat* runtime = plugin->getRuntime()) runtime->DoResume();
}

void Idle(COstra* plugin)
{
    if (TXlat* runtime = plugin->getRuntime()) runtime->DoIdle();
}

void Close(COstra* plugin)
{
    if (TXlat* runtime = plugin->getRuntime()) runtime->DoClose();
}

void Draw(COstra* plugin, double width, double height)
{
    if (TXlat* runtime = plugin->getRuntime()) runtime->DoGfx(width, height);
}

void MouseDown(COstra* plugin, double x, double y, uint32_t buttons)
{
    if (TXlat* runtime = plugin->getRuntime())
    {
        runtime->mouseX = x;
        runtime->mouseY = y;
        runtime->mouseButtons = ScriptButtons(buttons);
        runtime->redrawRate = std::max(runtime->redrawRate, kMouseRedrawRate);
    }
}

void MouseUp(COstra* plugin, double x, double y, uint32_t /*buttons*/)
{
    if (TXlat* runtime = plugin->getRuntime())
    {
        runtime->mouseX = x;
        runtime->mouseY = y;
        runtime->mouseButtons = 0.0;
        runtime->redrawRate = std::max(runtime->redrawRate, kMouseRedrawRate);
        // The mouse holds nothing any more: the host hears the end of the gesture now, even if
        // no frame follows.
        runtime->EndSliderEdits();
    }
}

void MouseMoved(COstra* plugin, double x, double y, uint32_t /*buttons*/)
{
    if (TXlat* runtime = plugin->getRuntime())
    {
        runtime->mouseX = x;
        runtime->mouseY = y;
        runtime->redrawRate = std::max(runtime->redrawRate, kMouseRedrawRate);
    }
}

int32_t GetVendorVersion(COstra* plugin)
{
    TXlat* runtime = plugin->getRuntime();
    return runtime ? runtime->version : 0;
}

bool GetVendorString(COstra* plugin, char* text)
{
    TXlat* runtime = plugin->getRuntime();
    QUAR2_EXPECTS(text != nullptr);
    if (!runtime) return false;
    CopyBoundedText(text, runtime->vendorString, kOstraVendorBytes);
    return true;
}

bool GetProductString(COstra* plugin, char* text)
{
    TXlat* runtime = plugin->getRuntime();
    QUAR2_EXPECTS(text != nullptr);
    if (!runtime) return false;
    CopyBoundedText(text, runtime->productString, kOstraProductBytes);
    return true;
}

bool GetEffectName(COstra* plugin, char* text)
{
    TXlat* runtime = plugin->getRuntime();
    QUAR2_EXPECTS(text != nullptr);
    if (!runtime) return false;
    CopyBoundedText(text, runtime->effectName, kOstraEffectNameBytes);
    return true;
}

bool GetProgramName(COstra* plugin, char* text)
{
    TXlat* runtime = plugin->getRuntime();
    QUAR2_EXPECTS(text != nullptr);
    if (!runtime) return false;
    CopyBoundedText(text, runtime->programName, kOstraProgramNameBytes);
    return true;
}

void SetProgramName(COstra* plugin, const char* text)
{
    // Kept whole, whatever its length; handed back cut to the program-name bound.
    QUAR2_EXPECTS(text != nullptr);
    if (TXlat* runtime = plugin->getRuntime()) runtime->programName = text;
}

int32_t GetProgramNameIndexed(COstra* plugin, int32_t category, int32_t index, char* text)
{
    // The one program has no category: hosts ask with -1 (any) or 0. An index that names no
    // program answers 0 and leaves the buffer alone.
    TXlat* runtime = plugin->getRuntime();
    if (!runtime || !text || (category != -1 && category != 0) || index != 0) return 0;
    CopyBoundedText(text, runtime->programName, kOstraProgramNameBytes);
    return 1;
}
} // namespace

void FillOstraLifeCallbacks(TOstraCallbacks& table)
{
    table.Create = Create;
    table.Destroy = Destroy;
    table.Open = Open;
    table.Suspend = Suspend;
    table.Resume = Resume;
    table.Idle = Idle;
    table.Close = Close;
    table.Draw = Draw;
    table.MouseDown = MouseDown;
    table.MouseUp = MouseUp;
    table.MouseMoved = MouseMoved;
    table.GetVendorVersion = GetVendorVersion;
    table.GetVendorString = GetVendorString;
    table.GetProductString = GetProductString;
    table.GetEffectName = GetEffectName;
    table.GetProgramName = GetProgramName;
    table.SetProgramName = SetProgramName;
    table.GetProgramNameIndexed = GetProgramNameIndexed;
}
