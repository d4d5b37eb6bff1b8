#include "runtime/XlatGraphics.h"

CXlatGraphics::~CXlatGraphics()
{
    for (auto& kv : images)
    {
        FreeImageHolder(kv.second.holder);
        kv.second.holder = nullptr;
    }
}
