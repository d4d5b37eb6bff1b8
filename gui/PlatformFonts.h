#pragma once
// The GDI+ fonts behind font descriptions, kept for the whole GDI+ session and shared by every
// description of the same family, size and style. Finding a family and making a font is costly
// (the installed fonts are searched each time), and the editor selects the same few fonts on
// every frame, each time through a new description; with this table each font is made once.
//
// The table also keeps the widths that text measuring found with each of its fonts: measuring
// the same text with the same font under the same conditions gives the same width, and the
// editor measures the same captions on every frame.
//
// The table is emptied when GDI+ shuts down, after every description has let go of its font.
// All operations: [UI thread].

#include <cstddef>
#include <string>

namespace Gdiplus
{
class Font;
}

class PlatformFonts
{
  public:
    // The font of `family` at `size` pixels in the GDI+ style `style`. `shared` answers whether
    // the table keeps it (the caller must not delete it) or, when the table is full, the font
    // is the caller's own. Null when the family is not installed or the font cannot be made
    // (kept as well, so the search is not repeated).
    static Gdiplus::Font* find(const std::wstring& family, float size, int style, bool& shared);

    // Width of `text` with the shared `font`, measured under `conditions` (everything else the
    // measure depends on, as text): true with `width` when it was measured before.
    static bool findWidth(const Gdiplus::Font* font, const std::wstring& conditions,
                          const std::wstring& text, float& width);
    // Keeps a measured width for findWidth (only for fonts the table keeps).
    static void keepWidth(const Gdiplus::Font* font, const std::wstring& conditions,
                          const std::wstring& text, float width);

    // Deletes every kept font (GDI+ shutdown).
    static void clear();
    // Fonts kept (found families and missing ones).
    static size_t count();
};
