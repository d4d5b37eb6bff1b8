// The runtime's number formatter with arbitrary format texts and arguments: byte 0 the number of
// arguments (0-7), then that many doubles (often special values), then the format text. Handles
// 1-3 hold texts for %s; the formatter must stay inside its fixed buffers and its result must
// be a complete string no longer than the result buffer.

#include "runtime/XlatStrings.h"
#include "tests/fuzz/FuzzInput.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    const size_t count = input.byte() % 8;
    double args[8] = {};
    static const double special[] = {std::nan(""), HUGE_VAL,     -HUGE_VAL,     1e308,
                                     -1e308,       2147483648.0, -2147483649.0, 1e-310,
                                     1.0,          2.0,          3.0,           0.5};
    for (size_t i = 0; i < count; ++i)
    {
        const uint8_t pick = input.byte();
        args[i] = pick < 96 ? special[pick % 12] : input.take<double>();
    }
    const std::string format = input.bytes(size);

    CXlatStrings strings;
    strings.RegisterString(1, format);
    strings.RegisterString(2, "text");
    strings.RegisterString(3, std::string(700, 'x'));
    strings.FormatStringArgs(10, 1, args, count);
    const std::string& result = strings.LookupString(10);
    if (result.size() >= CXlatStrings::kFormatResultSize)
    {
        std::fprintf(stderr, "result of %zu bytes\n", result.size());
        std::abort();
    }
    // The destination may also be the format itself.
    strings.FormatStringArgs(1, 1, args, count);
    return 0;
}
