// The embedded editor behind clap.gui: the bridge's VST 2.4 editor, fixed at 430 x 600, opened
// in the host's window at set_parent. Its periodic step (the script's redraw timer, pending
// window events, paints) runs on the main thread: on Linux from the host's timer and from the
// editor's X connection becoming readable (timer-support and posix-fd-support), on Windows from a
// window timer on the host's window, whose messages the host's own message loop delivers.

#include "clap/OstraClap.h"

#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

namespace
{

// The repaint tick: above the script's 30 frames per second, as VST 2.4 hosts' idle calls are.
constexpr uint32_t kTickMs = 20;

#ifdef _WIN32
constexpr const char* kApi = CLAP_WINDOW_API_WIN32;

// The timer's id on the host's window is the instance's address: unique per window.
void CALLBACK EditorTick(HWND, UINT, UINT_PTR id, DWORD)
{
    try
    {
        reinterpret_cast<COstraClap*>(id)->onTimer(CLAP_INVALID_ID);
    }
    catch (...)
    {
    }
}
#else
constexpr const char* kApi = CLAP_WINDOW_API_X11;
#endif

} // namespace

bool COstraClap::guiApiSupported(const char* api, bool floating) const
{
    threadRules.onMain("gui.is_api_supported");
    return bridge && bridge->hasEditor() && api && !floating && std::strcmp(api, kApi) == 0;
}

bool COstraClap::guiPreferredApi(const char** api, bool* floating) const
{
    threadRules.onMain("gui.get_preferred_api");
    if (!api || !floating || !bridge || !bridge->hasEditor()) return false;
    *api = kApi;
    *floating = false;
    return true;
}

bool COstraClap::guiCreate(const char* api, bool floating)
{
    threadRules.onMain("gui.create");
    if (!guiApiSupported(api, floating)) return false;
    if (guiCreated)
    {
        threadRules.misbehaviour("gui.create", "called while an editor exists");
        return false;
    }
    guiCreated = true;
    return true;
}

void COstraClap::guiDestroy()
{
    threadRules.onMain("gui.destroy");
    if (!guiCreated) return;
    stopEditorTicks();
    if (bridge) bridge->closeEditor();
    guiParent = nullptr;
    guiCreated = false;
}

bool COstraClap::guiSize(uint32_t* width, uint32_t* height) const
{
    threadRules.onMain("gui.get_size");
    int32_t w = 0, h = 0;
    if (!width || !height || !bridge || !bridge->editorSize(w, h)) return false;
    *width = uint32_t(w);
    *height = uint32_t(h);
    return true;
}

bool COstraClap::guiResizeHints(clap_gui_resize_hints* hints) const
{
    threadRules.onMain("gui.get_resize_hints");
    if (!hints) return false;
    *hints = {false, false, false, 0, 0};
    return true;
}

bool COstraClap::guiAdjustSize(uint32_t* width, uint32_t* height) const
{
    threadRules.onMain("gui.adjust_size");
    // The one usable size is the fixed one.
    return guiSize(width, height);
}

bool COstraClap::guiSetSize(uint32_t width, uint32_t height) const
{
    threadRules.onMain("gui.set_size");
    uint32_t w = 0, h = 0;
    return guiSize(&w, &h) && width == w && height == h;
}

bool COstraClap::guiSetParent(const clap_window* window)
{
    threadRules.onMain("gui.set_parent");
    if (!guiCreated || !window || !window->api || std::strcmp(window->api, kApi) != 0) return false;
#ifdef _WIN32
    void* parent = window->win32;
#else
    void* parent = reinterpret_cast<void*>(uintptr_t(window->x11));
#endif
    if (!parent) return false;
    stopEditorTicks(); // the old window's timer and connection go with it
    if (!bridge->openEditor(parent)) return false;
    guiParent = parent;
    startEditorTicks();
    return true;
}

bool COstraClap::guiShow()
{
    threadRules.onMain("gui.show");
    if (!guiCreated || !bridge->editorOpen()) return false;
    startEditorTicks();
    return true;
}

bool COstraClap::guiHide()
{
    threadRules.onMain("gui.hide");
    if (!guiCreated) return false;
    stopEditorTicks();
    return true;
}

void COstraClap::onTimer(clap_id timer)
{
    threadRules.onMain("timer_support.on_timer");
#ifndef _WIN32
    if (timer != timerId) return;
#else
    (void)timer;
#endif
    if (guiTicking && bridge) bridge->idleEditor();
}

void COstraClap::onFd(int fd, uint32_t /*flags*/)
{
    threadRules.onMain("posix_fd_support.on_fd");
    if (fd == watchedFd && guiTicking && bridge) bridge->idleEditor();
}

void COstraClap::startEditorTicks()
{
    if (guiTicking || !bridge || !bridge->editorOpen()) return;
#ifdef _WIN32
    if (!SetTimer(static_cast<HWND>(guiParent), reinterpret_cast<UINT_PTR>(this), kTickMs,
                  EditorTick))
    {
        threadRules.log(CLAP_LOG_WARNING, "QUAR2: no window timer: the editor will not repaint");
        return;
    }
#else
    if (!hostTimers || !hostTimers->register_timer ||
        !hostTimers->register_timer(host, kTickMs, &timerId))
    {
        timerId = CLAP_INVALID_ID;
        threadRules.log(CLAP_LOG_WARNING,
                        "QUAR2: the host offers no timer: the editor will not repaint");
    }
    const int fd = bridge->editorConnection();
    if (fd >= 0 && hostFds && hostFds->register_fd &&
        hostFds->register_fd(host, fd, CLAP_POSIX_FD_READ))
        watchedFd = fd;
#endif
    guiTicking = true;
}

void COstraClap::stopEditorTicks()
{
    if (!guiTicking) return;
#ifdef _WIN32
    KillTimer(static_cast<HWND>(guiParent), reinterpret_cast<UINT_PTR>(this));
#else
    if (watchedFd >= 0 && hostFds && hostFds->unregister_fd)
        hostFds->unregister_fd(host, watchedFd);
    watchedFd = -1;
    if (timerId != CLAP_INVALID_ID && hostTimers && hostTimers->unregister_timer)
        hostTimers->unregister_timer(host, timerId);
    timerId = CLAP_INVALID_ID;
#endif
    guiTicking = false;
}
