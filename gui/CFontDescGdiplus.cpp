// CFontDesc over GDI+ (Windows): the platform font is a GDI+ font of the family, kept for the
// GDI+ session by PlatformFonts.
#include "gui/CFontDesc.h"

#include "gui/DrawingCodes.h"
#include "gui/DrawingSession.h"
#include "gui/PlatformFonts.h"

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstdlib>

namespace
{
// Longest family name handed to GDI+, in wide characters.
constexpr size_t kMaxFamilyNameLength = 200;
} // namespace

void CFontDesc::discardPlatformFont()
{
    if (!platformFontShared) delete platformFont;
    platformFont = nullptr;
    platformFontShared = false;
    platformFontMade = false;
}

Gdiplus::Font* CFontDesc::getPlatformFont()
{
    if (platformFontMade) return platformFont;
    if (!DrawingSession::isRunning()) return nullptr; // try again once GDI+ runs
    platformFontMade = true;

    wchar_t wideName[kMaxFamilyNameLength + 1] = {};
    if (hasName && std::mbstowcs(wideName, name.c_str(), kMaxFamilyNameLength) == size_t(-1))
        wideName[0] = 0;
    wideName[kMaxFamilyNameLength] = 0; // mbstowcs does not terminate a full buffer

    int fontStyle = Gdiplus::FontStyleRegular;
    if (style & kUnderlineFace)
        fontStyle = Gdiplus::FontStyleUnderline;
    else if (style & kItalicFace)
        fontStyle = Gdiplus::FontStyleItalic;
    else if (style & kBoldFace)
        fontStyle = Gdiplus::FontStyleBold;
    // The same family, size and style as an earlier description: the same font, kept for the
    // GDI+ session (finding a family searches the installed fonts every time).
    platformFont =
        PlatformFonts::find(wideName, float(Gdiplus::REAL(size)), fontStyle, platformFontShared);
    return platformFont;
}

void CFontDesc::releaseKeptFonts()
{
    // PlatformFonts lets its fonts go itself when GDI+ shuts down.
}
