#include "runtime/ModulePath.h"

#include "runtime/ModuleHandle.h"

#ifdef _WIN32
#include <windows.h>
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>
#else
#include <dirent.h>
#include <dlfcn.h>
#include <limits.h>
#include <link.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace
{

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// Cuts `path` after its last separator (kept); empty when it has none.
std::string FolderOf(const std::string& path)
{
    const size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

#ifndef _WIN32
// Any function of the runtime: dladdr on it names the object the runtime was linked into.
void RuntimeAnchor() {}
#endif

} // namespace

std::string LibraryFolder()
{
#ifdef _WIN32
    char path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(static_cast<HMODULE>(hInstance), path, MAX_PATH);
    path[length <= MAX_PATH ? length : MAX_PATH] = '\0';
    return FolderOf(path);
#else
    // dladdr1 also names the link map entry of the object holding the runtime: the program
    // itself has an empty name there (its dli_fname is only its start-up name, argv[0]), a shared
    // object has the path it was loaded by, which may be relative to the folder current then.
    std::string path;
    Dl_info info = {};
    link_map* object = nullptr;
    if (dladdr1(reinterpret_cast<void*>(&RuntimeAnchor), &info, reinterpret_cast<void**>(&object),
                RTLD_DL_LINKMAP) != 0 &&
        object != nullptr && object->l_name != nullptr && object->l_name[0] != '\0')
    {
        path = object->l_name;
        if (path[0] != '/')
        {
            char resolved[PATH_MAX + 1];
            if (realpath(path.c_str(), resolved) != nullptr) path = resolved;
        }
    }
    else
    {
        char exe[PATH_MAX + 1];
        const ssize_t n = readlink("/proc/self/exe", exe, PATH_MAX);
        if (n > 0)
        {
            exe[n] = '\0';
            path = exe;
        }
    }
    return FolderOf(path);
#endif
}

std::string DataPath(const std::string& name)
{
    std::string relative = (!name.empty() && IsSeparator(name[0])) ? name.substr(1) : name;
#ifndef _WIN32
    for (char& c : relative)
        if (c == '\\') c = '/';
#endif
    return LibraryFolder() + relative;
}

void ListFolder(const std::string& folderPath, std::vector<std::string>& names)
{
    if (folderPath.empty()) return;
    std::string folder = folderPath;
#ifdef _WIN32
    if (!IsSeparator(folder.back())) folder += '\\';
    __finddata64_t entry;
    const intptr_t search = _findfirst64((folder + "*").c_str(), &entry);
    if (search == -1) return;
    do
    {
        if (entry.name[0] == '.') continue;
        struct _stat64 attributes;
        if (_stat64((folder + entry.name).c_str(), &attributes) != 0) continue;
        if ((attributes.st_mode & _S_IFDIR) != 0) continue;
        names.emplace_back(entry.name);
    } while (_findnext64(search, &entry) == 0);
    _findclose(search);
#else
    for (char& c : folder)
        if (c == '\\') c = '/';
    if (folder.back() != '/') folder += '/';
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return;
    while (const dirent* entry = readdir(dir))
    {
        if (entry->d_name[0] == '.') continue;
        struct stat attributes;
        if (stat((folder + entry->d_name).c_str(), &attributes) != 0) continue;
        if (S_ISDIR(attributes.st_mode)) continue;
        names.emplace_back(entry->d_name);
    }
    closedir(dir);
#endif
}
