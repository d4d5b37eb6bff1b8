#include "graphics/FontCache.h"

#ifdef QUAR2_GFX_TOOLKIT
#include "gui/CFontDesc.h"
#endif

namespace
{

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Face names compared without regard to ASCII case.
[[maybe_unused]] bool SameFace(const char* a, const char* b)
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
#ifdef QUAR2_GFX_TOOLKIT
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        if (SameFace((*it)->getName(), face)) return *it;
    CFontDesc* desc = new CFontDesc(face, 0.0, 0);
    entries.push_back(desc); // the cache keeps the first reference
    return desc;
#else
    return nullptr;
#endif
}

void CFontCache::Release()
{
#ifdef QUAR2_GFX_TOOLKIT
    for (CFontDesc*& desc : entries)
    {
        if (desc != nullptr) desc->forget();
        desc = nullptr;
    }
#endif
    entries.clear();
}
