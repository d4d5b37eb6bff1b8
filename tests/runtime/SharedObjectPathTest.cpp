// The library folder of a runtime linked into a shared object (the Linux plug-in) is the folder
// of that shared object, however the host named it when it loaded it.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "runtime/ModulePath.h"

namespace
{

std::string FolderFromProbe(const std::string& soPath)
{
    void* handle = dlopen(soPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return "dlopen failed: " + std::string(dlerror());
    using Probe = void (*)(char*, int);
    auto probe = reinterpret_cast<Probe>(dlsym(handle, "ProbeLibraryFolder"));
    char folder[4096] = "no probe";
    if (probe != nullptr) probe(folder, sizeof folder);
    dlclose(handle);
    return folder;
}

} // namespace

TEST(SharedObjectPath, LibraryFolderIsTheFolderOfTheSharedObject)
{
    namespace fs = std::filesystem;
    const fs::path so = fs::canonical(RUNTIME_PROBE_PATH);
    const std::string expected = so.parent_path().string() + "/";
    ASSERT_NE(expected, LibraryFolder()); // the probe lives in a folder of its own

    EXPECT_EQ(FolderFromProbe(so.string()), expected);

    // Loaded through a relative name from the folder above it.
    const fs::path previous = fs::current_path();
    fs::current_path(so.parent_path().parent_path());
    const std::string relative =
        so.parent_path().filename().string() + "/" + so.filename().string();
    EXPECT_EQ(FolderFromProbe(relative), expected);
    fs::current_path(previous);

    EXPECT_EQ(DataPath("quar2_gfx\\bg.png").rfind(LibraryFolder(), 0), 0u);
}
