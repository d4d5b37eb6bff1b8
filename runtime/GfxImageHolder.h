#pragma once
// A heap cell holding one reference to a platform bitmap, or none. The runtime keeps one per
// loaded image slot and frees it without knowing the drawing toolkit: whoever puts a bitmap in
// sets `releaseBitmap` to the operation that drops that reference.

struct GfxImageHolder
{
    // The platform bitmap (holds one reference), or null.
    void* bitmap = nullptr;
    // Drops the reference held in `bitmap`; null when there is nothing to release.
    void (*releaseBitmap)(void* bitmap) = nullptr;
};

// [UI thread] A new empty holder (never null).
GfxImageHolder* NewImageHolder();

// [UI thread] Drops the bitmap reference through releaseBitmap (when both are set) and frees the
// holder. False for a null holder.
bool FreeImageHolder(GfxImageHolder* holder);
