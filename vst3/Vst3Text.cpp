#include "vst3/Vst3Text.h"

#include <cstdint>
#include <cstring>

namespace vst3text
{
namespace
{
// Decodes one UTF-8 sequence at `p`; advances `p`. Malformed input gives U+FFFD.
char32_t Decode(const unsigned char*& p)
{
    const unsigned char b = *p++;
    if (b < 0x80) return b;
    int more = b >= 0xF0 && b < 0xF5 ? 3 : b >= 0xE0 ? 2 : b >= 0xC2 && b < 0xE0 ? 1 : -1;
    if (more < 0) return 0xFFFD;
    char32_t c = b & (0x3F >> more);
    for (int i = 0; i < more; ++i)
    {
        if ((*p & 0xC0) != 0x80) return 0xFFFD;
        c = (c << 6) | (*p++ & 0x3F);
    }
    const bool overlong = (more == 2 && c < 0x800) || (more == 3 && c < 0x10000);
    if (overlong || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return 0xFFFD;
    return c;
}
} // namespace

void ToUtf16(const char* text, vst3::char16* out, size_t units)
{
    if (!out || units == 0) return;
    size_t n = 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text ? text : "");
    while (*p)
    {
        const char32_t c = Decode(p);
        if (c >= 0x10000)
        {
            if (n + 2 >= units) break;
            out[n++] = static_cast<vst3::char16>(0xD800 + ((c - 0x10000) >> 10));
            out[n++] = static_cast<vst3::char16>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
        else
        {
            if (n + 1 >= units) break;
            out[n++] = static_cast<vst3::char16>(c);
        }
    }
    out[n] = 0;
}

void ToUtf8(const vst3::char16* text, size_t units, char* out, size_t bytes)
{
    if (!out || bytes == 0) return;
    size_t n = 0;
    for (size_t i = 0; text && i < units && text[i] != 0; ++i)
    {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < units && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (c >= 0xD800 && c < 0xE000)
            c = 0xFFFD;
        char seq[4];
        size_t len = 0;
        if (c < 0x80)
            seq[len++] = static_cast<char>(c);
        else if (c < 0x800)
        {
            seq[len++] = static_cast<char>(0xC0 | (c >> 6));
            seq[len++] = static_cast<char>(0x80 | (c & 0x3F));
        }
        else if (c < 0x10000)
        {
            seq[len++] = static_cast<char>(0xE0 | (c >> 12));
            seq[len++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            seq[len++] = static_cast<char>(0x80 | (c & 0x3F));
        }
        else
        {
            seq[len++] = static_cast<char>(0xF0 | (c >> 18));
            seq[len++] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            seq[len++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            seq[len++] = static_cast<char>(0x80 | (c & 0x3F));
        }
        if (n + len >= bytes) break;
        std::memcpy(out + n, seq, len);
        n += len;
    }
    out[n] = 0;
}

void CopyField(const char* text, char* out, size_t bytes)
{
    if (!out || bytes == 0) return;
    std::memset(out, 0, bytes);
    if (text) std::strncpy(out, text, bytes - 1);
}
} // namespace vst3text
