#pragma once
// Pixels of drawing that repeats from one paint to the next.
//
// While audio plays the editor repaints many times a second, and most of each frame is what the
// last one drew: the knobs that did not move, the captions, the values. Text and images cost GDI+
// a tenth of a millisecond or more each (Wine draws them in software), so a paint straight into
// the window keeps the pixels such a drawing left and puts them back, with one copy, the next
// time the same drawing lands on the same pixels.
//
// "The same" is decided exactly, never by a hash. A paint keeps a log of all it draws
// (CPaintLog): for each drawing a box bounding every pixel it may change, in device pixels, and a
// description in bytes of the drawing and of the context state it depends on. The key of a
// drawing is the description of every earlier drawing whose box meets its box, back to the last
// one that painted the whole box opaque, followed by its own. GDI+ computes each pixel from that
// pixel's previous value and the drawing alone, so equal keys leave equal pixels in the box.
//
// All operations: [UI thread].

#include "gui/PaintBox.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// One paint's drawings, in order.
class CPaintLog
{
  public:
    // A drawing that may change any pixel of `box` and paints every pixel of `cover` (may be
    // empty) opaque whatever was there before; `description` is all its pixels depend on besides
    // the earlier pixels.
    void note(const PaintBox& box, const PaintBox& cover, std::string_view description);
    // A drawing within `box` that cannot be described: no key is made for a box it meets
    // (until a later drawing covers that box).
    void noteUndescribed(const PaintBox& box, const PaintBox& cover);
    // Drawing this log knows nothing of happened (someone drew past the context, or changed its
    // graphics): no key is made for the rest of the paint.
    void noteUnknown() { broken = true; }
    bool isBroken() const { return broken; }
    // The key of a drawing at `box` described by `description`. False when there is none: the
    // log is broken, or no earlier drawing covered the whole box.
    bool keyFor(const PaintBox& box, std::string_view description, std::string& key) const;

  private:
    struct Entry
    {
        PaintBox box;
        PaintBox cover;
        size_t offset;
        size_t length; // kUndescribed: no description
    };
    static constexpr size_t kUndescribed = ~size_t(0);
    std::vector<Entry> entries;
    std::string bytes;
    bool broken = false;
};

// A window's kept pixels, by key. Bounded: the least recently used go first.
class CRepaintCache
{
  public:
    CRepaintCache() = default;
    CRepaintCache(const CRepaintCache&) = delete;
    CRepaintCache& operator=(const CRepaintCache&) = delete;
    ~CRepaintCache();

    struct Pixels
    {
        PaintBox box;
        std::vector<uint32_t> data; // 32-bit device pixels, top row first
        bool usable = false;        // false: the drawing cannot be kept (it spilled past its box)
        uint64_t lastUse = 0;
    };

    // The pixels kept for `key`, or null.
    const Pixels* find(const std::string& key);
    void keep(const std::string& key, Pixels pixels);
    size_t size() const { return entries.size(); }

    // Reads the pixels of `box` from `dc` (32 bits each, top row first). False when they cannot
    // be read.
    bool read(HDC dc, const PaintBox& box, std::vector<uint32_t>& out);
    // Writes pixels read before back to `dc` at their box.
    bool write(HDC dc, const Pixels& pixels);
    // How many times kept pixels were put back.
    uint64_t putBackCount() const { return putBack; }

  private:
    void evict();

    std::unordered_map<std::string, Pixels> entries;
    size_t keptPixels = 0;
    uint64_t uses = 0;
    uint64_t putBack = 0;
    // A reusable surface to read pixels into.
    HDC scratchDc = nullptr;
    HBITMAP scratchBitmap = nullptr;
    HGDIOBJ scratchPrevious = nullptr;
    void* scratchBits = nullptr;
    int32_t scratchWidth = 0;
    int32_t scratchHeight = 0;
};
