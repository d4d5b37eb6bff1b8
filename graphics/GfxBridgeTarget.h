#pragma once
// Internal to the drawing bridge: finds what a bridge operation draws on.
//
// The plug-in object's own target (getScriptDrawTarget) wins; otherwise the
// script view's drawing context is wrapped for the duration of one operation (a small stack
// object, no allocation). Without either the operation answers its fallback.

#include <cstdint>

#include "graphics/GfxTarget.h"
#include "graphics/DrawContextTarget.h"
#include "runtime/XlatAdapter.h"

// A colour from four components, each limited to 0..255.
inline GfxColor PackGfxColor(int32_t r, int32_t g, int32_t b, int32_t a)
{
    auto byte = [](int32_t v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); };
    return GfxColor{byte(r), byte(g), byte(b), byte(a)};
}

// [UI thread] Runs `use` on the plug-in object's current drawing target and answers its result,
// or answers `fallback` when there is no plug-in object or it is not drawing.
template <typename R, typename F> R WithGfxTarget(CXlatAdapter* plugin, R fallback, F&& use)
{
    if (plugin == nullptr) return fallback;
    if (CGfxTarget* target = plugin->getScriptDrawTarget()) return use(*target);
    if (CDrawContext* context = plugin->getScriptDrawContext())
    {
        CDrawContextTarget target(*context, plugin->getFontCache());
        return use(static_cast<CGfxTarget&>(target));
    }
    return fallback;
}
