#pragma once
// The script's font table: font number -> face, size and style.

#include <cstdint>
#include <map>
#include <string>

#include "runtime/XlatFiles.h"

// One font the script defined.
struct FontRecord
{
    // Face name as the script gave it.
    std::string face;
    // 0.85 x the size the script asked for, in pixels.
    double size = 0.0;
    // Style bits: 1 bold, 2 italic, 4 underline.
    int32_t flags = 0;
};

class CXlatFonts : public CXlatFiles
{
  public:
    std::map<int32_t, FontRecord> fonts;
};
