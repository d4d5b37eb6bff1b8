#pragma once
// What is being dragged over the editor, as the views see it: a list of items (file paths or
// one piece of text) read one after the other with first() / next().
// All operations: [UI thread].

#include "gui/CBaseObject.h"

#include <cstdint>

class CDragContainer : public CBaseObject
{
  public:
    // Item types.
    enum CItemType : int32_t
    {
        kFile = 0,
        kText = 1,
        kUnicodeText = 2,
        kUnknown = -1,
        kError = -2,
    };

    // The first item: restarts the iteration, then as next().
    virtual void* first(int32_t& size, int32_t& type) = 0;
    // The next item (a UTF-8 text of `size` bytes, valid until the next call or the
    // container's destruction) with its type; null after the last one.
    virtual void* next(int32_t& size, int32_t& type) = 0;
    virtual int32_t getType(int32_t index) const = 0;
    virtual int32_t getCount() = 0;
};
