#include "host/cli/BridgePlugin.h"
#include "host/cli/LocalPlugin.h"
#include "host/lib/PluginInstance.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

bool isWindowsPlugin(const std::string& path)
{
    if (path.size() < 4) return false;
    std::string ext = path.substr(path.size() - 4);
    for (char& c : ext)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".dll";
}

std::unique_ptr<CPluginInstance> loadPlugin(const std::string& path, std::string& error)
{
    struct stat st
    {
    };
    if (stat(path.c_str(), &st) != 0)
    {
        error = path + ": cannot load plug-in: " + std::strerror(errno);
        return nullptr;
    }
    if (!S_ISREG(st.st_mode))
    {
        error = path + ": cannot load plug-in: not a file";
        return nullptr;
    }
    if (isWindowsPlugin(path)) return startBridgePlugin(path, error);
    std::unique_ptr<CLoadedPlugin> loaded = CLoadedPlugin::load(path, error);
    if (!loaded)
    {
        error = "cannot load plug-in " + error;
        return nullptr;
    }
    return std::make_unique<CLocalPlugin>(std::move(loaded));
}
