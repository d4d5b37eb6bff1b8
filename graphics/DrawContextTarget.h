#pragma once
// The drawing bridge's target over the toolkit's drawing context of the script view (GDI+ on
// Windows, cairo on Linux).
// Made on the stack for one bridge operation; it borrows the context and the plug-in object's
// font cache. All operations: [UI thread].

#include "graphics/GfxTarget.h"

class CDrawContext;
class CFontCache;

class CDrawContextTarget final : public CGfxTarget
{
  public:
    // `fontCache` may be null: font selections then use a temporary description.
    CDrawContextTarget(CDrawContext& context, CFontCache* fontCache)
        : context(context), fontCache(fontCache)
    {
    }

    void setDrawMode(int32_t mode) override;
    void setFontColor(GfxColor color) override;
    void setFillColor(GfxColor color) override;
    void setFrameColor(GfxColor color) override;
    double getStringWidth(const char* text) override;
    int32_t getFontSize() override;
    void moveTo(const GfxPoint& point) override;
    void lineTo(const GfxPoint& point) override;
    void drawRect(const GfxRect& rect, int32_t style) override;
    void drawEllipse(const GfxRect& rect, int32_t style) override;
    void drawArc(const GfxRect& rect, float startAngle, float endAngle, int32_t style) override;
    void drawString(const char* text, const GfxRect& rect, bool opaque, int32_t align) override;
    void drawStringInRect(const char* text, const GfxRect& rect, int32_t align,
                          bool antialias) override;
    void drawStringAt(const char* text, const GfxPoint& point, bool antialias) override;
    void drawPoint(const GfxPoint& point, GfxColor color) override;
    GfxColor getPoint(const GfxPoint& point) override;
    // The cached description for the face (compared without case), sized by the context.
    bool setFont(const char* face, int32_t size, int32_t flags) override;
    // `bitmap` is a CBitmap.
    bool drawBitmap(void* bitmap, const GfxRect& destination, const GfxPoint& source,
                    int32_t alpha) override;

  private:
    CDrawContext& context;
    CFontCache* fontCache;
};
