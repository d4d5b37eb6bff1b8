// The repeated-drawing half of CDrawContext: the paint log and putting back kept pixels.
#include "gui/CDrawContext.h"

#include "gui/PixelMath.h"
#include "gui/RepaintCache.h"

#include <objidl.h>
#include <gdiplus.h>

namespace
{
// Whether any pixel on the rim of `box` (the sides flagged) differs between the two readings.
bool changedOnRim(const std::vector<uint32_t>& before, const std::vector<uint32_t>& after,
                  const PaintBox& box, bool left, bool top, bool right, bool bottom)
{
    const size_t w = size_t(box.width()), h = size_t(box.height());
    auto differs = [&](size_t x, size_t y) { return before[y * w + x] != after[y * w + x]; };
    for (size_t x = 0; x < w; ++x)
        if ((top && differs(x, 0)) || (bottom && differs(x, h - 1))) return true;
    for (size_t y = 0; y < h; ++y)
        if ((left && differs(0, y)) || (right && differs(w - 1, y))) return true;
    return false;
}
} // namespace

void CDrawContext::enableRepaintReuse(CRepaintCache* cache)
{
    delete paintLog;
    paintLog = nullptr;
    repaintCache = nullptr;
    if (!cache || !systemContext || !graphics) return;
    // Pixels are read back from the device: all of a kept box must have been drawn this paint,
    // so the visible area (the update region, less what covers the window) must be one
    // rectangle that holds it.
    RECT visible{};
    if (GetClipBox(systemContext, &visible) != SIMPLEREGION) return;
    // Kept pixels are 32-bit: only a surface of that depth gives back exactly what it gave.
    if (GetDeviceCaps(systemContext, BITSPIXEL) != 32) return;
    visibleBox = {visible.left, visible.top, visible.right, visible.bottom};
    repaintCache = cache;
    paintLog = new CPaintLog();
}

void CDrawContext::describeState(PaintDescription& description) const
{
    description << clipApplied << clipRect.left << clipRect.top << clipRect.right << clipRect.bottom
                << drawMode << lineWidth << lineStyle << frameColor.toARGB() << fillColor.toARGB();
}

PaintBox CDrawContext::drawableBox(const PaintBox& reach) const
{
    PaintBox box = reach.intersect(visibleBox);
    if (clipApplied)
    {
        const int32_t x = truncatePixel(clipRect.left), y = truncatePixel(clipRect.top);
        const int32_t w = truncatePixel(clipRect.right - clipRect.left);
        const int32_t h = truncatePixel(clipRect.bottom - clipRect.top);
        // A clip GDI+ was given with no area is not relied on.
        if (w > 0 && h > 0) box = box.intersect({x, y, x + w, y + h});
    }
    return box;
}

void CDrawContext::noteDrawing(const PaintBox& reach, const PaintDescription& operation) const
{
    PaintDescription description;
    describeState(description);
    description.bytes.append(operation.bytes);
    paintLog->note(drawableBox(reach), {}, description.bytes);
}

void CDrawContext::drawnPastContext() const
{
    if (paintLog) paintLog->noteUnknown();
}

void CDrawContext::drawRepeatable(const PaintBox& reach, const PaintBox& cover,
                                  std::string_view operation,
                                  const std::function<void(Gdiplus::Graphics&)>& draw, Keep keep)
{
    if (!graphics) return;
    flushLines();
    drawLogged(reach, cover, operation, draw, keep);
}

void CDrawContext::drawLogged(const PaintBox& reach, const PaintBox& cover,
                              std::string_view operation,
                              const std::function<void(Gdiplus::Graphics&)>& draw, Keep keep) const
{
    if (!graphics) return;
    if (!paintLog)
    {
        draw(*graphics);
        return;
    }
    const PaintBox box = drawableBox(reach);
    const PaintBox covered = cover.intersect(box);
    if (operation.empty())
    {
        draw(*graphics);
        paintLog->noteUndescribed(box, {});
        return;
    }
    PaintDescription description;
    describeState(description);
    description.bytes.append(operation);

    std::string key;
    if (keep == Keep::never || !paintLog->keyFor(box, description.bytes, key))
    {
        draw(*graphics);
        paintLog->note(box, covered, description.bytes);
        return;
    }
    if (const CRepaintCache::Pixels* kept = repaintCache->find(key))
    {
        graphics->Flush(Gdiplus::FlushIntentionSync);
        if (!kept->usable || !repaintCache->write(systemContext, *kept)) draw(*graphics);
        paintLog->note(box, covered, description.bytes);
        return;
    }

    // Drawn for the first time on these pixels: kept unless it reached past its box. Only the
    // sides the estimate drew (not the clip or the visible area) can be reached past.
    graphics->Flush(Gdiplus::FlushIntentionSync);
    std::vector<uint32_t> before;
    const bool exact = keep == Keep::exact;
    const bool checked = exact || repaintCache->read(systemContext, box, before);
    draw(*graphics);
    graphics->Flush(Gdiplus::FlushIntentionSync);
    CRepaintCache::Pixels pixels;
    pixels.box = box;
    if (checked && repaintCache->read(systemContext, box, pixels.data))
    {
        const PaintBox hard = drawableBox({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX});
        pixels.usable = exact || !changedOnRim(before, pixels.data, box, box.left != hard.left,
                                               box.top != hard.top, box.right != hard.right,
                                               box.bottom != hard.bottom);
        if (!pixels.usable) pixels.data.clear();
        repaintCache->keep(key, std::move(pixels));
    }
    paintLog->note(box, covered, description.bytes);
}
