#include "runtime/ModuleHandle.h"

void* hInstance = nullptr;
