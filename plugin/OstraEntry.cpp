// The library's exported entry points and, on Windows, its library entry.
//
// Hosts look for VSTPluginMain, older ones for main (the same function; on Windows a second
// export name given by QUAR2.def, since a C++ function cannot be called main there) and MAIN.
// [loading thread] Each call makes one new instance.

#include "plugin/OstraInstance.h"
#include "runtime/ModuleHandle.h"

#ifdef _WIN32
#include <windows.h>
#define QUAR2_EXPORT
#else
#define QUAR2_EXPORT __attribute__((visibility("default")))
#endif

extern "C" QUAR2_EXPORT AEffect* VSTPluginMain(audioMasterCallback audioMaster)
{
    return MakeOstraInstance(audioMaster);
}

#ifdef _WIN32
extern "C" AEffect* MAIN(audioMasterCallback audioMaster)
{
    return MakeOstraInstance(audioMaster);
}

// Stores the module handle on every notification: the library folder, the editor's window class
// and the "DATA" resources are found through it.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD /*reason*/, LPVOID /*reserved*/)
{
    hInstance = instance;
    return TRUE;
}
#else
// The old entry name, as a second name of the very same function.
extern "C" QUAR2_EXPORT AEffect* VstMainAlias(audioMasterCallback audioMaster) __asm__("main")
    __attribute__((alias("VSTPluginMain")));
#endif
