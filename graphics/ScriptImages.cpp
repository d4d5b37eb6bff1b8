// The script's images: slots loaded on first use and the Blit primitive with its error box.
#include <string>

#include "graphics/GfxBridge.h"
#include "graphics/GfxImageBridge.h"
#include "runtime/Xlat.h"

ImageSlot& CXlatGraphics::GetImage(double number)
{
    const int32_t n = ScriptInt(number);
    ImageSlot& slot = images[n];
    // A slot with a holder was attempted before: success or not, it is never loaded again, so a
    // missing image costs one log line, not one per frame.
    if (slot.holder != nullptr) return slot;
    const std::string* name = FileName(n);
    if (name == nullptr) return slot;

    slot.width = slot.height = 0.0;
    slot.holder = GfxImageNew();
    if (GfxImageLoadResource(slot.holder, n))
    {
        slot.width = GfxImageWidth(slot.holder);
        slot.height = GfxImageHeight(slot.holder);
        return slot;
    }

    const std::string path = DataPath(*name);
    GfxImageFree(slot.holder);
    slot.holder = GfxImageNew();
    if (GfxImageLoadFile(slot.holder, path.c_str()))
    {
        slot.width = GfxImageWidth(slot.holder);
        slot.height = GfxImageHeight(slot.holder);
    }
    else
    {
        WriteLog("Unable to load: " + path);
    }
    return slot;
}

void CXlatGraphics::Blit(double number)
{
    const ImageSlot& slot = GetImage(number);
    const double left = penX;
    const double top = penY;
    const double right = penX + slot.width;
    const double bottom = penY + slot.height;
    if (GfxImageDraw(slot.holder, adapter, left, top, right, bottom, 0.0, 0.0)) return;
    // Red box, yellow "ERROR" centred in the current font. The script's colour variables and the
    // draw mode stay as they were.
    GfxSetFillColor(adapter, 255, 0, 0, 255);
    GfxDrawRect(adapter, left, top, right, bottom, 1);
    GfxSetFontColor(adapter, 255, 255, 0, 255);
    GfxDrawString(adapter, "ERROR", left, top, right, bottom, false, 1);
}
