#include "gui/RepaintCache.h"

#include <cstring>

namespace
{
// Bounds on what a window keeps. A frame repeats a few dozen drawings (under 1 MiB of pixels);
// what changes (the graph near its cursor, a value counting) adds keys that are never used again
// and go first.
constexpr size_t kMaxEntries = 256;
constexpr size_t kMaxKeptPixels = size_t(1) << 20; // 4 MiB of 32-bit pixels

void appendBox(std::string& key, const PaintBox& box)
{
    key.append(reinterpret_cast<const char*>(&box), sizeof box);
}

BITMAPINFO topDownInfo(int32_t width, int32_t height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}
} // namespace

void CPaintLog::note(const PaintBox& box, const PaintBox& cover, std::string_view description)
{
    if (broken || box.empty()) return;
    entries.push_back({box, cover, bytes.size(), description.size()});
    bytes.append(description);
}

void CPaintLog::noteUndescribed(const PaintBox& box, const PaintBox& cover)
{
    if (broken || box.empty()) return;
    entries.push_back({box, cover, bytes.size(), kUndescribed});
}

bool CPaintLog::keyFor(const PaintBox& box, std::string_view description, std::string& key) const
{
    key.clear();
    if (broken || box.empty()) return false;
    // Everything before the last drawing that painted the whole box is hidden under it.
    size_t first = entries.size();
    while (first > 0 && !entries[first - 1].cover.contains(box))
        --first;
    if (first == 0) return false;
    --first;
    for (size_t i = first; i < entries.size(); ++i)
    {
        const Entry& e = entries[i];
        if (!e.box.meets(box)) continue;
        if (e.length == kUndescribed) return false;
        appendBox(key, e.box);
        appendBox(key, e.cover);
        const uint64_t length = e.length;
        key.append(reinterpret_cast<const char*>(&length), sizeof length);
        key.append(bytes, e.offset, e.length);
    }
    appendBox(key, box);
    key.append(description);
    return true;
}

CRepaintCache::~CRepaintCache()
{
    if (scratchDc)
    {
        SelectObject(scratchDc, scratchPrevious);
        DeleteDC(scratchDc);
    }
    if (scratchBitmap) DeleteObject(scratchBitmap);
}

const CRepaintCache::Pixels* CRepaintCache::find(const std::string& key)
{
    auto found = entries.find(key);
    if (found == entries.end()) return nullptr;
    found->second.lastUse = ++uses;
    return &found->second;
}

void CRepaintCache::keep(const std::string& key, Pixels pixels)
{
    pixels.lastUse = ++uses;
    const size_t count = pixels.data.size();
    if (count > kMaxKeptPixels / 4) return; // too large to be worth keeping
    auto [at, added] = entries.try_emplace(key, std::move(pixels));
    if (!added) return;
    keptPixels += count;
    evict();
}

void CRepaintCache::evict()
{
    while (entries.size() > kMaxEntries || keptPixels > kMaxKeptPixels)
    {
        auto oldest = entries.begin();
        for (auto it = entries.begin(); it != entries.end(); ++it)
            if (it->second.lastUse < oldest->second.lastUse) oldest = it;
        keptPixels -= oldest->second.data.size();
        entries.erase(oldest);
    }
}

bool CRepaintCache::read(HDC dc, const PaintBox& box, std::vector<uint32_t>& out)
{
    const int32_t w = box.width(), h = box.height();
    if (!dc || w <= 0 || h <= 0) return false;
    if (w > scratchWidth || h > scratchHeight)
    {
        const int32_t newWidth = std::max(w, scratchWidth), newHeight = std::max(h, scratchHeight);
        if (!scratchDc) scratchDc = CreateCompatibleDC(dc);
        if (!scratchDc) return false;
        const BITMAPINFO info = topDownInfo(newWidth, newHeight);
        void* bits = nullptr;
        HBITMAP made = CreateDIBSection(scratchDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!made) return false;
        HGDIOBJ previous = SelectObject(scratchDc, made);
        if (scratchBitmap)
            DeleteObject(scratchBitmap);
        else
            scratchPrevious = previous;
        scratchBitmap = made;
        scratchBits = bits;
        scratchWidth = newWidth;
        scratchHeight = newHeight;
    }
    if (!BitBlt(scratchDc, 0, 0, w, h, dc, box.left, box.top, SRCCOPY)) return false;
    GdiFlush();
    out.resize(size_t(w) * size_t(h));
    const auto* source = static_cast<const uint32_t*>(scratchBits);
    for (int32_t row = 0; row < h; ++row)
        std::memcpy(out.data() + size_t(row) * size_t(w), source + size_t(row) * scratchWidth,
                    size_t(w) * sizeof(uint32_t));
    return true;
}

bool CRepaintCache::write(HDC dc, const Pixels& pixels)
{
    const int32_t w = pixels.box.width(), h = pixels.box.height();
    if (!dc || w <= 0 || h <= 0 || pixels.data.size() != size_t(w) * size_t(h)) return false;
    const BITMAPINFO info = topDownInfo(w, h);
    if (SetDIBitsToDevice(dc, pixels.box.left, pixels.box.top, DWORD(w), DWORD(h), 0, 0, 0, UINT(h),
                          pixels.data.data(), &info, DIB_RGB_COLORS) == 0)
        return false;
    ++putBack;
    return true;
}
