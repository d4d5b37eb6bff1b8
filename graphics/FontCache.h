#pragma once
// The plug-in object's font descriptions made on behalf of the script: one per face name,
// compared without regard to case, each created with size 0 and style 0 and holding one
// reference. The drawing context makes its own sized description from the cached one, so the
// cache grows by one entry per distinct face (two for the leveller) and never per frame.
//
// The plug-in object owns one and releases it when it is destroyed (Release, or the destructor).
// Descriptions exist only with the toolkit (both builds have it); without one Find answers null
// and the cache stays empty. All operations: [UI thread].

#include <cstddef>
#include <vector>

class CFontDesc;

class CFontCache
{
  public:
    CFontCache() = default;
    ~CFontCache() { Release(); }
    CFontCache(const CFontCache&) = delete;
    CFontCache& operator=(const CFontCache&) = delete;

    // The description for `face`, searched from the newest entry to the oldest, without regard
    // to ASCII case; made (size 0, style 0) and appended when there is none. Null for a null
    // face.
    CFontDesc* Find(const char* face);
    // Drops every entry's reference and empties the cache.
    void Release();
    // Number of entries.
    size_t Count() const { return entries.size(); }

  private:
    std::vector<CFontDesc*> entries;
};
