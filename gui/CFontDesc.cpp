// CFontDesc's description rules, the same on every platform: name, size and style, and the list
// of live descriptions that lets a drawing shutdown reach every platform font. The platform font
// itself is made in CFontDescGdiplus.cpp (Windows) or CFontDescCairo.cpp (Linux).
#include "gui/CFontDesc.h"

#include <cstring>

namespace
{
CFontDesc* firstDesc = nullptr; // head of the list of live descriptions
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

void CFontDesc::discardAllPlatformFonts()
{
    for (CFontDesc* desc = firstDesc; desc; desc = desc->nextDesc)
        desc->discardPlatformFont();
    releaseKeptFonts();
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
