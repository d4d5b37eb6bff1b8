#include "host/lib/VstLibrary.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace
{

#ifdef _WIN32
std::wstring widen(const std::string& text)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    if (n <= 0) return {};
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), n);
    wide.resize(static_cast<size_t>(n - 1));
    return wide;
}

std::string systemMessage(DWORD code)
{
    char buffer[512] = {};
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, buffer, sizeof buffer, nullptr);
    std::string text(buffer, n);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return "error " + std::to_string(code) + (text.empty() ? "" : ": " + text);
}
#endif

} // namespace

bool CVstLibrary::open(const std::string& path)
{
    close();
    lastError.clear();
#ifdef _WIN32
    handle = LoadLibraryW(widen(path).c_str());
    if (!handle) lastError = "cannot load " + path + " (" + systemMessage(GetLastError()) + ")";
#else
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
    {
        const char* reason = dlerror();
        lastError = "cannot load " + path + " (" + (reason ? reason : "unknown reason") + ")";
    }
#endif
    return handle != nullptr;
}

void CVstLibrary::close()
{
    if (!handle) return;
#ifdef _WIN32
    FreeLibrary(static_cast<HMODULE>(handle));
#else
    dlclose(handle);
#endif
    handle = nullptr;
}

void* CVstLibrary::symbol(const char* name) const
{
    if (!handle || !name) return nullptr;
#ifdef _WIN32
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
#else
    return dlsym(handle, name);
#endif
}

VstPluginMainProc CVstLibrary::entry(const char* name) const
{
    return reinterpret_cast<VstPluginMainProc>(symbol(name));
}

VstPluginMainProc CVstLibrary::findEntry(std::string* name) const
{
    for (const char* candidate : {"VSTPluginMain", "main", "MAIN"})
    {
        if (VstPluginMainProc proc = entry(candidate))
        {
            if (name) *name = candidate;
            return proc;
        }
    }
    return nullptr;
}
