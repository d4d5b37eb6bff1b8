#pragma once
// A font description: family name, size in pixels and style bits. The GDI+ font is found on
// first use (made once per family, size and style for the GDI+ session, see PlatformFonts) and
// let go whenever the description changes or GDI+ shuts down.

#include "gui/CBaseObject.h"
#include "gui/PlatformTypes.h"

#include <cstdint>
#include <string>

class CFontDesc : public CBaseObject
{
  public:
    // `name` is copied; null gives a description without a name (it never finds a family).
    explicit CFontDesc(const char* name = nullptr, double size = 0.0, int32_t style = 0);
    CFontDesc(const CFontDesc& other);
    CFontDesc& operator=(const CFontDesc&) = delete;
    ~CFontDesc() override;

    // [UI thread] Accessors. The setters discard the platform font; setName with the current
    // name changes nothing.
    const char* getName() const { return hasName ? name.c_str() : nullptr; }
    double getSize() const { return size; }
    int32_t getStyle() const { return style; }
    void setName(const char* newName);
    void setSize(double newSize);
    void setStyle(int32_t newStyle);

    // Same name (by text), same size, same style.
    bool operator==(const CFontDesc& other) const;
    bool operator!=(const CFontDesc& other) const { return !(*this == other); }

    // [UI thread] The GDI+ font, made on first use while GDI+ runs: the family named `name` at
    // `size` pixels, with ONE style: underline if bit 4 is set, else italic (bit 2), else bold
    // (bit 1), else regular. Null when the family is not installed (the attempt is kept, so it
    // is not repeated until the description changes) or GDI+ is not running.
    PlatformFont* getPlatformFont();
    // Whether a platform font has been attempted since the last change.
    bool hasPlatformFont() const { return platformFontMade; }
    void discardPlatformFont();

    // [UI thread] Discards the platform fonts of every live description (GDI+ shutdown).
    static void discardAllPlatformFonts();
#ifndef _WIN32
    // [UI thread] Cairo font faces held by descriptions now (leak checks).
    static int32_t getLiveFaceCount();
#endif

  private:
    std::string name;
    bool hasName = false;
    double size = 0.0;
    int32_t style = 0;
    PlatformFont* platformFont = nullptr;
    bool platformFontShared = false; // kept by PlatformFonts: not ours to delete
    bool platformFontMade = false;

    // Every live description is linked here so that a GDI+ shutdown can reach its font.
    CFontDesc* previousDesc = nullptr;
    CFontDesc* nextDesc = nullptr;
    void link();
    void unlink();
    // The platform's own table of fonts shared between descriptions, let go after every
    // description's font (discardAllPlatformFonts).
    static void releaseKeptFonts();
};

// Process-wide descriptions, all style 0. kSystemFont ("Arial" 12) is every new drawing
// context's initial font.
extern CFontDesc* const kSystemFont;          // "Arial" 12
extern CFontDesc* const kNormalFontVeryBig;   // "Arial" 18
extern CFontDesc* const kNormalFontBig;       // "Arial" 14
extern CFontDesc* const kNormalFont;          // "Arial" 12
extern CFontDesc* const kNormalFontSmall;     // "Arial" 11
extern CFontDesc* const kNormalFontSmaller;   // "Arial" 10
extern CFontDesc* const kNormalFontVerySmall; // "Arial" 9
extern CFontDesc* const kSymbolFont;          // "Symbol" 13
