#include "runtime/GfxImageHolder.h"

GfxImageHolder* NewImageHolder()
{
    return new GfxImageHolder();
}

bool FreeImageHolder(GfxImageHolder* holder)
{
    if (holder == nullptr) return false;
    if (holder->bitmap != nullptr && holder->releaseBitmap != nullptr)
        holder->releaseBitmap(holder->bitmap);
    delete holder;
    return true;
}
