#pragma once
// One plug-in file loaded into this process: LoadLibrary on Windows, dlopen on Linux. The
// library stays loaded as long as this object lives; every effect made from it must be closed
// before it goes.

#include "vst/AEffect.h"

#include <string>

// The signature of the exported entry points (VSTPluginMain, main, MAIN).
using VstPluginMainProc = AEffect* (*)(audioMasterCallback audioMaster);

class CVstLibrary
{
  public:
    CVstLibrary() = default;
    ~CVstLibrary() { close(); }
    CVstLibrary(const CVstLibrary&) = delete;
    CVstLibrary& operator=(const CVstLibrary&) = delete;

    // [UI thread] Loads `path` (UTF-8). False, with the system's reason in error(), when the
    // file cannot be loaded. A loaded library is unloaded first.
    bool open(const std::string& path);
    // [UI thread] Unloads the library (nothing when none is loaded).
    void close();
    bool isOpen() const { return handle != nullptr; }
    const std::string& error() const { return lastError; }

    // [UI thread] The address the library exports as `name`, or null when it exports none.
    void* symbol(const char* name) const;
    // [UI thread] The exported entry point `name`, or null when the library does not export it.
    VstPluginMainProc entry(const char* name) const;
    // [UI thread] The first of VSTPluginMain, main and MAIN that the library exports, the
    // order in which hosts look for them; null when it exports none. `name` (when given)
    // receives the name found.
    VstPluginMainProc findEntry(std::string* name = nullptr) const;

  private:
    void* handle = nullptr;
    std::string lastError;
};
