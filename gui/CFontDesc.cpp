#include "gui/CFontDesc.h"

#include "gui/DrawingCodes.h"
#include "gui/GDIPlusGlobals.h"
#include "gui/PlatformFonts.h"

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstdlib>
#include <cstring>

namespace
{
CFontDesc* firstDesc = nullptr; // head of the list of live descriptions

// Longest family name handed to GDI+, in wide characters.
constexpr size_t kMaxFamilyNameLength = 200;
} // namespace

CFontDesc::CFontDesc(const char* newName, double newSize, int32_t newStyle)
    : hasName(newName != nullptr), size(newSize), style(newStyle)
{
    if (newName) name = newName;
    link();
}

CFontDesc::CFontDesc(const CFontDesc& other)
    : CBaseObject(other), name(other.name), hasName(other.hasName), size(other.size),
      style(other.style)
{
    link();
}

CFontDesc::~CFontDesc()
{
    discardPlatformFont();
    unlink();
}

void CFontDesc::link()
{
    nextDesc = firstDesc;
    if (firstDesc) firstDesc->previousDesc = this;
    firstDesc = this;
}

void CFontDesc::unlink()
{
    if (previousDesc)
        previousDesc->nextDesc = nextDesc;
    else if (firstDesc == this)
        firstDesc = nextDesc;
    if (nextDesc) nextDesc->previousDesc = previousDesc;
    previousDesc = nextDesc = nullptr;
}

void CFontDesc::setName(const char* newName)
{
    const bool same = newName ? (hasName && name == newName) : !hasName;
    if (same) return;
    hasName = newName != nullptr;
    name = newName ? newName : "";
    discardPlatformFont();
}

void CFontDesc::setSize(double newSize)
{
    size = newSize;
    discardPlatformFont();
}

void CFontDesc::setStyle(int32_t newStyle)
{
    style = newStyle;
    discardPlatformFont();
}

bool CFontDesc::operator==(const CFontDesc& other) const
{
    const char* a = getName();
    const char* b = other.getName();
    const bool sameName = (a && b) ? std::strcmp(a, b) == 0 : a == b;
    return sameName && size == other.size && style == other.style;
}

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
    if (!GDIPlusGlobals::isRunning()) return nullptr; // try again once GDI+ runs
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

void CFontDesc::discardAllPlatformFonts()
{
    for (CFontDesc* desc = firstDesc; desc; desc = desc->nextDesc)
        desc->discardPlatformFont();
}

namespace
{
// Defined after the list head in this file, so they are constructed after it.
CFontDesc systemFont("Arial", 12);
CFontDesc normalFontVeryBig("Arial", 18);
CFontDesc normalFontBig("Arial", 14);
CFontDesc normalFont("Arial", 12);
CFontDesc normalFontSmall("Arial", 11);
CFontDesc normalFontSmaller("Arial", 10);
CFontDesc normalFontVerySmall("Arial", 9);
CFontDesc symbolFont("Symbol", 13);
} // namespace

CFontDesc* const kSystemFont = &systemFont;
CFontDesc* const kNormalFontVeryBig = &normalFontVeryBig;
CFontDesc* const kNormalFontBig = &normalFontBig;
CFontDesc* const kNormalFont = &normalFont;
CFontDesc* const kNormalFontSmall = &normalFontSmall;
CFontDesc* const kNormalFontSmaller = &normalFontSmaller;
CFontDesc* const kNormalFontVerySmall = &normalFontVerySmall;
CFontDesc* const kSymbolFont = &symbolFont;
