// The module's exports: GetPluginFactory on every platform, InitDll and ExitDll on Windows,
// ModuleEntry and ModuleExit on Linux. Nothing else leaves the module (QUAR2vst3.map,
// QUAR2vst3.def). Entry and exit may come more than once per process; they only count, since
// nothing is made before a factory is asked for.

#include "vst3/Vst3Factory.h"

#ifdef _WIN32
#include <windows.h>

#include "runtime/ModuleHandle.h"
#define QUAR2_VST3_EXPORT
#else
#define QUAR2_VST3_EXPORT __attribute__((visibility("default")))
#endif

namespace
{
int entries = 0;
} // namespace

extern "C" QUAR2_VST3_EXPORT vst3::IPluginFactory* GetPluginFactory()
{
    return CVst3Factory::get();
}

#ifdef _WIN32
extern "C" bool InitDll()
{
    ++entries;
    return true;
}

extern "C" bool ExitDll()
{
    if (entries > 0) --entries;
    return true;
}

// The module handle finds the library folder, the editor's window class and its artwork.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD /*reason*/, LPVOID /*reserved*/)
{
    hInstance = instance;
    return TRUE;
}
#else
extern "C" QUAR2_VST3_EXPORT bool ModuleEntry(void* /*dlopenHandle*/)
{
    ++entries;
    return true;
}

extern "C" QUAR2_VST3_EXPORT bool ModuleExit()
{
    if (entries > 0) --entries;
    return true;
}
#endif
