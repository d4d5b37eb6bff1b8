#pragma once
// The module's "DATA" resources on systems without a resource section (Linux): files carried as
// byte arrays in the module itself (cmake/EmbedResources.cmake generates them from the same
// pictures the Windows resource script names). Found by number or by name, as FindResource
// finds them on Windows.

#include <cstddef>
#include <cstdint>

struct EmbeddedResource
{
    int32_t id;       // -1 ends the table
    const char* name; // null: known by number only
    const unsigned char* data;
    size_t size;
};

// The table of the module, defined by the artwork object linked into it. Weak: a program that
// carries no artwork has no table, and every lookup finds nothing.
extern const EmbeddedResource quar2EmbeddedResources[] __attribute__((weak));

// The resource numbered `id` (`name` null) or named `name`; null when there is none.
const EmbeddedResource* findEmbeddedResource(int32_t id, const char* name);
