#include "gui/PlatformFonts.h"

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstring>
#include <unordered_map>
#include <vector>

namespace
{
// Distinct fonts kept; an editor uses a handful. Beyond this, fonts are made per description.
constexpr size_t kMaxFonts = 64;
// Widths kept per font; the table of a font starts again when it is full.
constexpr size_t kMaxWidthsPerFont = 1024;

struct Entry
{
    std::wstring family;
    float size = 0.0f;
    int style = 0;
    Gdiplus::Font* font = nullptr; // null: the family is not installed
    std::unordered_map<std::wstring, float> widths;
};

std::vector<Entry*>& entries()
{
    static std::vector<Entry*> table;
    return table;
}

Gdiplus::Font* makeFont(const std::wstring& family, float size, int style)
{
    Gdiplus::FontFamily found(family.c_str());
    if (found.GetLastStatus() != Gdiplus::Ok) return nullptr;
    auto* font = new Gdiplus::Font(&found, Gdiplus::REAL(size), style, Gdiplus::UnitPixel);
    if (font->GetLastStatus() != Gdiplus::Ok)
    {
        delete font;
        return nullptr;
    }
    return font;
}

Entry* entryOf(const Gdiplus::Font* font)
{
    if (!font) return nullptr;
    for (Entry* entry : entries())
        if (entry->font == font) return entry;
    return nullptr;
}

std::wstring widthKey(const std::wstring& conditions, const std::wstring& text)
{
    std::wstring key = conditions;
    key += L'\n';
    key += text;
    return key;
}
} // namespace

Gdiplus::Font* PlatformFonts::find(const std::wstring& family, float size, int style, bool& shared)
{
    for (Entry* entry : entries())
    {
        // Sizes compared bit for bit: a font is only shared when GDI+ gets the same request.
        if (entry->style == style && std::memcmp(&entry->size, &size, sizeof size) == 0 &&
            entry->family == family)
        {
            shared = true;
            return entry->font;
        }
    }
    Gdiplus::Font* font = makeFont(family, size, style);
    shared = entries().size() < kMaxFonts;
    if (shared)
    {
        auto* entry = new Entry();
        entry->family = family;
        entry->size = size;
        entry->style = style;
        entry->font = font;
        entries().push_back(entry);
    }
    return font;
}

bool PlatformFonts::findWidth(const Gdiplus::Font* font, const std::wstring& conditions,
                              const std::wstring& text, float& width)
{
    const Entry* entry = entryOf(font);
    if (!entry) return false;
    const auto found = entry->widths.find(widthKey(conditions, text));
    if (found == entry->widths.end()) return false;
    width = found->second;
    return true;
}

void PlatformFonts::keepWidth(const Gdiplus::Font* font, const std::wstring& conditions,
                              const std::wstring& text, float width)
{
    Entry* entry = entryOf(font);
    if (!entry) return;
    if (entry->widths.size() >= kMaxWidthsPerFont) entry->widths.clear();
    entry->widths[widthKey(conditions, text)] = width;
}

void PlatformFonts::clear()
{
    for (Entry* entry : entries())
    {
        delete entry->font;
        delete entry;
    }
    entries().clear();
}

size_t PlatformFonts::count()
{
    return entries().size();
}
