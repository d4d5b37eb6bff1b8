#include "host/lib/LoadedPlugin.h"

#include <algorithm>

std::unique_ptr<CLoadedPlugin> CLoadedPlugin::load(const std::string& path, std::string& error)
{
    std::unique_ptr<CLoadedPlugin> loaded(new CLoadedPlugin());
    // A name without a folder would make the system search its library folders instead.
    const bool bare = path.find('/') == std::string::npos && path.find('\\') == std::string::npos;
    if (!loaded->library.open(bare ? "./" + path : path))
    {
        error = path + ": " + loaded->library.error();
        return nullptr;
    }
    VstPluginMainProc entry = loaded->library.findEntry();
    if (entry == nullptr)
    {
        error = path + ": not a VST 2 plug-in (no VSTPluginMain, main or MAIN entry point)";
        return nullptr;
    }
    std::string why;
    loaded->instance = CVstPlugin::create(entry, loaded->callback, why);
    if (!loaded->instance)
    {
        error = path + ": " +
                (why == "the entry point made no effect"
                     ? std::string("the plug-in's entry point returned no effect")
                     : why);
        return nullptr;
    }
    loaded->instance->open();
    return loaded;
}

CLoadedPlugin::~CLoadedPlugin()
{
    instance.reset();
    library.close();
}

PluginInfo CLoadedPlugin::describe()
{
    PluginInfo info;
    const AEffect* e = instance->effect();
    if (e == nullptr) return info;
    info.magic = e->magic;
    info.uniqueId = e->uniqueID;
    info.version = e->version;
    info.flags = e->flags;
    info.numPrograms = e->numPrograms;
    info.numParams = std::max(e->numParams, 0);
    info.numInputs = e->numInputs;
    info.numOutputs = e->numOutputs;
    info.initialDelay = e->initialDelay;
    info.vendorVersion = instance->vendorVersion();
    info.vstVersion = instance->vstVersion();
    info.category = instance->category();
    info.effectName = instance->effectName();
    info.vendor = instance->vendorString();
    info.product = instance->productString();
    return info;
}
