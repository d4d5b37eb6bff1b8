#pragma once
// One plug-in file loaded into this process and opened, with the host callback that answers
// it: the library, the callback and the instance, kept together so that they go in the right
// order (instance closed, then the library unloaded). Used by quar2-host for Linux plug-ins and
// by quar2-bridge.exe for Windows ones.

#include "host/lib/HostCallback.h"
#include "host/lib/VstLibrary.h"
#include "host/lib/VstPlugin.h"
#include "host/lib/PluginInstance.h"

#include <memory>
#include <string>

class CLoadedPlugin
{
  public:
    // [UI thread] Loads `path`, makes the effect through its entry point and sends effOpen.
    // Answers null with one line naming the file and the reason.
    static std::unique_ptr<CLoadedPlugin> load(const std::string& path, std::string& error);
    ~CLoadedPlugin();

    CVstPlugin& plugin() { return *instance; }
    CHostCallback& host() { return callback; }

    // [UI thread] The record's fields and the plug-in's names and versions.
    PluginInfo describe();

  private:
    CLoadedPlugin() = default;
    CVstLibrary library;
    CHostCallback callback;
    std::unique_ptr<CVstPlugin> instance;
};
