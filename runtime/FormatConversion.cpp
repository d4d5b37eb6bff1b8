#include "runtime/FormatConversion.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "runtime/ScriptValue.h"

namespace
{

// Largest width or precision kept: more than the result can hold anyway.
constexpr int kMaxFieldValue = 511;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Reads a run of digits, saturating at kMaxFieldValue.
int ReadNumber(const char*& p)
{
    int n = 0;
    while (IsDigit(*p))
    {
        n = n * 10 + (*p - '0');
        if (n > kMaxFieldValue) n = kMaxFieldValue;
        ++p;
    }
    return n;
}

size_t Finish(char* out, int written)
{
    if (written < 0)
    {
        out[0] = '\0';
        return 0;
    }
    // The text stops at its first zero byte (a %c of 0 prints nothing).
    return std::strlen(out);
}

} // namespace

size_t FormatConversion(char* out, size_t outSize, const char* collected, char letter,
                        double number, const char* text)
{
    if (out == nullptr || outSize == 0) return 0;
    out[0] = '\0';
    if (collected == nullptr || collected[0] != '%') return 0;
    if (std::strchr("diouxXceEfgGs", letter) == nullptr || letter == '\0') return 0;

    // "%%..." : the C library prints a single "%" and the rest as text.
    if (collected[1] == '%')
    {
        const int written = std::snprintf(out, outSize, "%s%c", collected + 1, letter);
        return Finish(out, written);
    }

    bool minus = false, plus = false, space = false, hash = false, zero = false;
    const char* p = collected + 1;
    for (;; ++p)
    {
        if (*p == '-')
            minus = true;
        else if (*p == '+')
            plus = true;
        else if (*p == ' ')
            space = true;
        else if (*p == '#')
            hash = true;
        else if (*p == '0')
            zero = true;
        else
            break;
    }
    const bool hasWidth = IsDigit(*p);
    const int width = ReadNumber(p);
    bool hasPrecision = false;
    int precision = 0;
    if (*p == '.')
    {
        ++p;
        hasPrecision = true;
        precision = ReadNumber(p);
    }
    // Whatever follows (a "*", a "$", a second ".", other characters) is dropped.

    const bool isInteger = std::strchr("diouxX", letter) != nullptr;
    const bool isUnsigned = std::strchr("ouxX", letter) != nullptr;
    if (letter == 'd' || letter == 'i' || letter == 'u' || letter == 'c' || letter == 's')
        hash = false;
    if (letter == 'c' || letter == 's') zero = false;
    if (letter == 'c') hasPrecision = false;
    if (isUnsigned || letter == 'c' || letter == 's')
        plus = space = false; // sign flags are defined for signed conversions only

    char spec[40];
    size_t n = 0;
    spec[n++] = '%';
    if (minus) spec[n++] = '-';
    if (plus) spec[n++] = '+';
    if (space) spec[n++] = ' ';
    if (hash) spec[n++] = '#';
    if (zero) spec[n++] = '0';
    if (hasWidth) n += static_cast<size_t>(std::snprintf(spec + n, sizeof spec - n, "%d", width));
    if (hasPrecision)
        n += static_cast<size_t>(std::snprintf(spec + n, sizeof spec - n, ".%d", precision));
    spec[n++] = letter;
    spec[n] = '\0';

    int written;
    if (letter == 's')
        written = std::snprintf(out, outSize, spec, text != nullptr ? text : "");
    else if (isUnsigned)
        written = std::snprintf(out, outSize, spec,
                                static_cast<unsigned>(static_cast<uint32_t>(ScriptInt(number))));
    else if (isInteger || letter == 'c')
        written = std::snprintf(out, outSize, spec, static_cast<int>(ScriptInt(number)));
    else
        written = std::snprintf(out, outSize, spec, number);
    return Finish(out, written);
}
