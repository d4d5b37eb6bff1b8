#include "host/cli/Commands.h"
int runRenderEditor(int, char**) { return reportFailure("render-editor: not yet"); }
