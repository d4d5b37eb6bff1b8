// The one way every command reports a failure (declared in Commands.h).

#include <cstdio>

#include "host/cli/Commands.h"

int reportFailure(const std::string& message, int status)
{
    // What the command printed so far comes first, then the failure.
    std::fflush(stdout);
    std::fprintf(stderr, "quar2-host: %s\n", message.c_str());
    return status;
}
