#include "host/cli/BridgePlugin.h"

std::unique_ptr<CPluginInstance> startBridgePlugin(const std::string& dllPath, std::string& error)
{
    error = dllPath + ": Windows plug-ins are not supported yet";
    return nullptr;
}
