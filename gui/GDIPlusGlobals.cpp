#include "gui/GDIPlusGlobals.h"

#include "gui/CFontDesc.h"

#ifdef _WIN32
#include "gui/PlatformFonts.h"

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#endif

namespace
{
GDIPlusGlobals* globals = nullptr; // the one instance while GDI+ runs
int32_t startups = 0;
} // namespace

GDIPlusGlobals::GDIPlusGlobals()
{
#ifdef _WIN32
    // Version 1, no debug callback, background thread and external codecs not suppressed.
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR startupToken = 0;
    if (Gdiplus::GdiplusStartup(&startupToken, &input, nullptr) == Gdiplus::Ok)
        token = startupToken;
#endif // cairo needs no start-up: the session only bounds the life of the platform fonts
    ++startups;
}

GDIPlusGlobals::~GDIPlusGlobals()
{
    // Fonts made by this session must not outlive it: deleting them after the shutdown would
    // call into a stopped GDI+.
    CFontDesc::discardAllPlatformFonts();
#ifdef _WIN32
    PlatformFonts::clear(); // no description holds one of them any more
    if (token) Gdiplus::GdiplusShutdown(token);
#endif
}

void GDIPlusGlobals::enter()
{
    if (globals)
        globals->remember();
    else
        globals = new GDIPlusGlobals();
}

void GDIPlusGlobals::exit()
{
    if (!globals) return;
    const int32_t count = globals->getNbReference();
    GDIPlusGlobals* last = globals;
    if (count == 1)
        globals = nullptr; // cleared first: the destructor must not see itself as running
    last->forget();
}

bool GDIPlusGlobals::isRunning()
{
    return globals != nullptr;
}

int32_t GDIPlusGlobals::getStartupCount()
{
    return startups;
}
