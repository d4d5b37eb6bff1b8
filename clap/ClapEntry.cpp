// QUAR2.clap's one export, the data symbol clap_entry, with the plug-in factory and the one
// descriptor. Everything here is static storage: it outlives every call a host makes.
// [any] Every function; init and deinit are never concurrent with anything else.

#include <cstring>
#include <new>

#include "clap/ClapAbi.h"
#include "clap/OstraClap.h"
#include "runtime/ModuleHandle.h"

#ifdef _WIN32
#include <windows.h>
#define QUAR2_CLAP_EXPORT __declspec(dllexport)
#else
#define QUAR2_CLAP_EXPORT __attribute__((visibility("default")))
#endif

namespace
{

const char* const kFeatures[] = {"audio-effect", "stereo", "compressor", nullptr};

const clap_plugin_descriptor kDescriptor = {
    CLAP_VERSION_OURS,
    "com.tesselaudio.quar2",
    "QUAR2",
    "Tessel Audio",
    "",
    "",
    "",
    "1.0.0",
    "Voice levelling amplifier: evens out speech with one gain for both channels",
    kFeatures,
};

// init/deinit may come more than once: the work belongs to the first init and the last deinit
// (there is none: the descriptor and the tables are static).
int initCount = 0;

bool EntryInit(const char* /*pluginPath*/)
{
    ++initCount;
    return true;
}

void EntryDeinit()
{
    if (initCount > 0) --initCount;
}

uint32_t PluginCount(const clap_plugin_factory*)
{
    return 1;
}

const clap_plugin_descriptor* PluginDescriptor(const clap_plugin_factory*, uint32_t index)
{
    return index == 0 ? &kDescriptor : nullptr;
}

// Calls nothing of the host: that starts with the plug-in's init.
const clap_plugin* CreatePlugin(const clap_plugin_factory*, const clap_host* host,
                                const char* pluginId)
{
    if (!host || !pluginId || std::strcmp(pluginId, kDescriptor.id) != 0 ||
        !clap_version_is_compatible(host->clap_version))
        return nullptr;
    try
    {
        return (new COstraClap(host, &kDescriptor))->clapPlugin();
    }
    catch (...)
    {
        return nullptr;
    }
}

const clap_plugin_factory kFactory = {PluginCount, PluginDescriptor, CreatePlugin};

const void* GetFactory(const char* id)
{
    return (id && std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0) ? &kFactory : nullptr;
}

} // namespace

// Data, not a function: a host reads the version and the three pointers from it.
extern "C"
{
    QUAR2_CLAP_EXPORT extern const clap_plugin_entry clap_entry;
    const clap_plugin_entry clap_entry = {CLAP_VERSION_OURS, EntryInit, EntryDeinit, GetFactory};
}

#ifdef _WIN32
// Stores the module handle on every notification: the editor's window class and its "DATA"
// resources are found through it.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD /*reason*/, LPVOID /*reserved*/)
{
    hInstance = instance;
    return TRUE;
}
#endif
