#include "host/cli/Commands.h"
int runBench(int, char**) { return reportFailure("bench: not yet"); }
