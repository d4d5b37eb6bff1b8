// A shared object that carries the runtime, as the plug-in's .so does: it answers the runtime's
// idea of its library folder, which must be the folder of this object, not of the program.
#include <cstring>

#include "runtime/ModulePath.h"

extern "C" __attribute__((visibility("default"))) void ProbeLibraryFolder(char* out, int size)
{
    const std::string folder = LibraryFolder();
    std::strncpy(out, folder.c_str(), static_cast<size_t>(size) - 1);
    out[size - 1] = '\0';
}
