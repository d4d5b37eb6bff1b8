#include "graphics/FontCache.h"

#include "gui/CFontDesc.h"

namespace
{

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Face names compared without regard to ASCII case.
bool SameFace(const char* a, const char* b)
{
    if (a == nullptr || b == nullptr) return false;
    for (; *a != '\0' && *b != '\0'; ++a, ++b)
        if (LowerAscii(*a) != LowerAscii(*b)) return false;
    return *a == *b;
}

} // namespace

CFontDesc* CFontCache::Find(const char* face)
{
    if (face == nullptr) return nullptr;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        if (SameFace((*it)->getName(), face)) return *it;
    CFontDesc* desc = new CFontDesc(face, 0.0, 0);
    entries.push_back(desc); // the cache keeps the first reference
    return desc;
}

void CFontCache::Release()
{
    for (CFontDesc*& desc : entries)
    {
        if (desc != nullptr) desc->forget();
        desc = nullptr;
    }
    entries.clear();
}
