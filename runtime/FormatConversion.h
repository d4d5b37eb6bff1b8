#pragma once
// One conversion of the script formatter, made safe for the C library.
//
// The formatter collects a specification from "%" up to the first letter, so a script can hand
// over anything between them: "*" (which would make the C library read an argument that was never
// passed), "$" positions, a second "." or flags that a conversion does not allow. Handing such a
// text to snprintf is undefined behaviour. The collected text is therefore rebuilt from what a
// specification may hold, in its standard order: flags from "-+ #0", a width, a "." and a
// precision (each at most 511, the size of the result). Everything else is dropped, and so are
// the parts the C library leaves undefined for the letter: "#" for d i u c s, "0" for c s, a
// precision for c. A specification that begins with "%%" prints as the C library prints "%%":
// one "%", followed by the rest of the specification as plain text.

#include <cstddef>

// Formats one conversion into `out` (always zero-terminated, cut to `outSize` - 1 characters)
// and answers the length written. `collected` is the "%" and the non-letter characters that
// followed it; `letter` is one of d i o u x X c (uses `number` as a 32-bit integer, ScriptInt),
// e E f g G (uses `number`) or s (prints `text`). Any other letter writes nothing.
size_t FormatConversion(char* out, size_t outSize, const char* collected, char letter,
                        double number, const char* text);

// True for A-Z and a-z only (independent of the C locale).
inline bool IsFormatLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
