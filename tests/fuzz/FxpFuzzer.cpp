// quar2-host's program-file reader with arbitrary bytes: no read outside the input, no huge
// allocation from a size field, and what it accepts builds into a file it accepts again.

#include "host/cli/FxpPreset.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FxpProgram program;
    std::string error;
    if (!parseFxp(data, size, program, error)) return 0;
    const std::vector<uint8_t> rebuilt = buildFxp(program);
    FxpProgram again;
    if (!parseFxp(rebuilt.data(), rebuilt.size(), again, error))
    {
        std::fprintf(stderr, "a built file does not parse: %s\n", error.c_str());
        std::abort();
    }
    return 0;
}
