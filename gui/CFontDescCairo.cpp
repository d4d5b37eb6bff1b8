// CFontDesc over cairo and fontconfig (Linux): the description rules are those of the Windows
// toolkit; the platform font is a cairo font face of the family, found through fontconfig.
#include "gui/CFontDesc.h"

#include "gui/DrawingCodes.h"
#include "gui/DrawingSession.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{
// Longest family name looked up, in characters (as the Windows path converts at most 200).
constexpr size_t kMaxFamilyNameLength = 200;
int32_t liveFaces = 0; // references to cairo font faces held by descriptions and the table

// The Windows faces the editor and scripts name, and the families that have their metrics (or
// look closest) on a Linux desktop. Fontconfig often knows these aliases itself; naming them
// here keeps the choice the same on every system that has the families.
struct FaceAlias
{
    const char* windowsName;
    const char* family;
};
constexpr FaceAlias kFaceAliases[] = {
    {"Arial", "Liberation Sans"},
    {"Helvetica", "Liberation Sans"},
    {"Times New Roman", "Liberation Serif"},
    {"Courier New", "Liberation Mono"},
    {"Verdana", "DejaVu Sans"},
    {"Tahoma", "DejaVu Sans"},
    {"Symbol", "DejaVu Sans"},
};

bool sameAscii(const std::string& a, const char* b)
{
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
    {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return i == a.size() && b[i] == 0;
}

// The face of `family` in one style (weight or slant), or null when no installed font has the
// family (fontconfig would answer some default face: the Windows path draws nothing then).
cairo_font_face_t* findFace(const std::string& family, int32_t style)
{
    if (family.empty()) return nullptr;
    std::string wanted = family;
    for (const FaceAlias& alias : kFaceAliases)
        if (sameAscii(family, alias.windowsName)) wanted = alias.family;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return nullptr;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(wanted.c_str()));
    // One style, as the Windows font takes one: underline (drawn by hand) over italic over bold.
    if (!(style & kUnderlineFace))
    {
        if (style & kItalicFace)
            FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ITALIC);
        else if (style & kBoldFace)
            FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_BOLD);
    }
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return nullptr;
    // Fontconfig always answers something: accept it only if the family is the one asked for
    // (or the alias's) among the match's family names.
    bool found = false;
    FcChar8* name = nullptr;
    for (int i = 0; !found && FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i)
        found = sameAscii(wanted, reinterpret_cast<const char*>(name));
    cairo_font_face_t* face = nullptr;
    if (found)
    {
        face = cairo_ft_font_face_create_for_pattern(match);
        if (cairo_font_face_status(face) != CAIRO_STATUS_SUCCESS)
        {
            cairo_font_face_destroy(face);
            face = nullptr;
        }
    }
    FcPatternDestroy(match);
    return face;
}

// The faces found in this drawing session, by family and style: the editor selects the same
// few fonts on every frame through new descriptions, and a fontconfig match costs far more than
// the drawing. Emptied when the session ends.
struct KeptFace
{
    std::string family;
    int32_t style;
    cairo_font_face_t* face; // one reference, or null: the family is not installed
};
std::vector<KeptFace> keptFaces;
constexpr size_t kMaxKeptFaces = 64;

cairo_font_face_t* keptFace(const std::string& family, int32_t style)
{
    // Answers a reference of the caller's own (or null). Only the style bit that chooses the face
    // matters.
    const int32_t kind = (style & kUnderlineFace) ? 0
                         : (style & kItalicFace)  ? kItalicFace
                                                  : (style & kBoldFace);
    for (const KeptFace& kept : keptFaces)
        if (kept.style == kind && kept.family == family)
            return kept.face ? cairo_font_face_reference(kept.face) : nullptr; // the caller's
    cairo_font_face_t* face = findFace(family, kind);
    if (keptFaces.size() >= kMaxKeptFaces) return face; // the caller's own reference
    keptFaces.push_back({family, kind, face});
    if (face)
    {
        ++liveFaces;
        cairo_font_face_reference(face); // the caller's
    }
    return face;
}
} // namespace

void CFontDesc::discardPlatformFont()
{
    if (platformFont)
    {
        cairo_font_face_destroy(platformFont);
        --liveFaces;
    }
    platformFont = nullptr;
    platformFontShared = false;
    platformFontMade = false;
}

PlatformFont* CFontDesc::getPlatformFont()
{
    if (platformFontMade) return platformFont;
    if (!DrawingSession::isRunning()) return nullptr; // try again once drawing runs
    platformFontMade = true;
    const std::string family = hasName ? name.substr(0, kMaxFamilyNameLength) : std::string();
    platformFont = keptFace(family, style);
    if (platformFont) ++liveFaces;
    return platformFont;
}

int32_t CFontDesc::getLiveFaceCount()
{
    return liveFaces;
}

void CFontDesc::releaseKeptFonts()
{
    for (KeptFace& kept : keptFaces)
        if (kept.face)
        {
            cairo_font_face_destroy(kept.face);
            --liveFaces;
        }
    keptFaces.clear();
    keptFaces.shrink_to_fit();
}
