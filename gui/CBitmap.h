#pragma once
// A counted image held as a 32-bit ARGB GDI+ bitmap (a cairo image surface on Linux): decoded
// from a "DATA" resource of the plug-in module, copied from a platform bitmap (image files), or
// made empty with a size. Creating any CBitmap keeps the drawing session open until the bitmap
// is destroyed.
//
// All operations: [UI thread].

#include "gui/CBaseObject.h"
#include "gui/CColor.h"
#include "gui/CPoint.h"
#include "gui/CRect.h"
#include "gui/PlatformTypes.h"

#include <cstdint>
#include <string>

class CDrawContext;

// Names a module resource: by 16-bit number or by name.
struct CResourceDescription
{
    enum Type : int32_t
    {
        kIntegerType = 0,
        kStringType = 1,
        kUnknownType = 2,
    };

    Type type = kUnknownType;
    uint16_t id = 0;
    const char* name = nullptr; // only read while loading

    CResourceDescription() = default;
    CResourceDescription(uint16_t id) : type(kIntegerType), id(id) {}
    CResourceDescription(const char* name) : type(name ? kStringType : kUnknownType), name(name) {}
};

class CBitmap : public CBaseObject
{
  public:
    // Decodes the "DATA" resource (see loadFromResource).
    explicit CBitmap(const CResourceDescription& description);
    // An empty (transparent) bitmap of width x height pixels, truncated to integers. A size
    // that is not positive, or beyond 32767 pixels a side or 2^28 pixels in all, gives a
    // bitmap without image (0 x 0).
    CBitmap(double width, double height);
    // A copy of the whole of `source` as 32-bit ARGB; `source` stays the caller's. Without a
    // source, or when the copy fails, the bitmap is empty (0 x 0).
    explicit CBitmap(PlatformBitmap* source);
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;
    ~CBitmap() override;

    // Both draw unblended: drawAlphaBlend with alpha 255.
    virtual void draw(CDrawContext* context, const CRect& destination,
                      const CPoint& sourceOffset = CPoint());
    virtual void drawTransparent(CDrawContext* context, const CRect& destination,
                                 const CPoint& sourceOffset = CPoint());
    // Draws the destination's size of the image, from `sourceOffset`, unscaled, at the
    // destination's top-left corner (plus the context's offset), with the image's alpha
    // multiplied by alpha / 255.
    virtual void drawAlphaBlend(CDrawContext* context, const CRect& destination,
                                const CPoint& sourceOffset = CPoint(), uint8_t alpha = 128);
    // Drops the image: 0 x 0.
    virtual void dispose();
    // Decodes the module resource of type "DATA" (any format GDI+ reads); when there is no such
    // resource, a bitmap resource of the same name. Always answers true: callers test the size,
    // which is 0 x 0 when nothing could be read.
    virtual bool loadFromResource(const CResourceDescription& description);
    // Not supported: disposes the image and answers false.
    virtual bool loadFromPath(const void* platformPath);

    double getWidth() const { return width; }
    double getHeight() const { return height; }
    // The GDI+ bitmap (owned by this object), or null.
    PlatformBitmap* getBitmap() const { return bitmap; }
    const CResourceDescription& getResourceDescription() const { return resourceDesc; }
    CColor getTransparentColor() const { return transparentCColor; }
    void setTransparentColor(CColor color) { transparentCColor = color; }
    bool getNoAlpha() const { return noAlpha; }
    void setNoAlpha(bool state) { noAlpha = state; }
#ifdef _WIN32
    // A number naming this image's pixels for as long as they cannot change: images decoded or
    // copied from a source (nothing draws into them) get one, 0 for the others.
    uint64_t getImageSerial() const
    {
        return imageSerial;
    }
    // Whether every pixel is fully opaque (found once per image).
    bool isOpaque();
#else
    // Cairo image surfaces held by bitmaps now (leak checks).
    static int32_t getLiveSurfaceCount();
#endif

  protected:
    // --- The drawing library's half (CBitmapGdiplus.cpp, CBitmapCairo.cpp) -------------------
    // Takes `newBitmap` (may be null or failed) and sets the size from it. `immutable`: the
    // pixels come from a source and nothing draws into them (on Windows they get a serial).
    void adoptBitmap(PlatformBitmap* newBitmap, bool immutable = false);
    // A new transparent image of a size already checked, or null.
    static PlatformBitmap* makeEmptyBitmap(int32_t width, int32_t height);
    // Adopts a copy of `source` (may be null or unusable: then nothing).
    void adoptCopyOf(PlatformBitmap* source);
    // Decodes the resource that resourceDesc names and adopts the image, if there is one.
    void loadResourcePixels();

    CResourceDescription resourceDesc;
    std::string resourceName; // owned copy behind resourceDesc.name
    double width = 0.0;
    double height = 0.0;
    CColor transparentCColor{255, 255, 255, 0};
    bool noAlpha = true;
    PlatformBitmap* bitmap = nullptr;
#ifdef _WIN32
    uint64_t imageSerial = 0;
    int8_t opaque = -1; // unknown until asked
#endif
};

// The bitmap of an off-screen context that draws into a GDI+ bitmap of its own: a CBitmap
// copied from it.
class CBitmapForOC : public CBitmap
{
  public:
    explicit CBitmapForOC(PlatformBitmap* source) : CBitmap(source) {}
};
