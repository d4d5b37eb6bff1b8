// The editor host window's steps that are the same on every platform: the window's size from
// the plug-in's, opening and closing the editor in it, the paint record and the pump loop. The
// window itself is EditorHostWindowWin32.cpp's (Win32) or EditorHostWindowX11.cpp's (X11).
#include "host/lib/EditorHostWindow.h"

namespace
{
// Paint records kept between two takePaintTimes() calls: about an hour of editor frames.
constexpr size_t kMaxPaintRecords = 1u << 17;
// The largest window side the host makes for an editor.
constexpr int kMaxSide = 8192;

bool usableSize(int w, int h)
{
    return w > 0 && h > 0 && w <= kMaxSide && h <= kMaxSide;
}
} // namespace

bool CEditorHostWindow::create(int width, int height, std::string& error)
{
    close();
    if (!usableSize(width, height))
    {
        error = "no usable window size";
        return false;
    }
    if (!makeWindow(width, height, error)) return false;
    clientWidth = width;
    clientHeight = height;
    pump();
    return true;
}

bool CEditorHostWindow::open(CVstPlugin& plugin, std::string& error)
{
    close();
    const AEffect* e = plugin.effect();
    if (e == nullptr || (e->flags & effFlagsHasEditor) == 0)
    {
        error = "the plug-in has no editor";
        return false;
    }
    ERect rect{};
    int w = 0, h = 0;
    if (plugin.editorRect(rect))
    {
        w = rect.right - rect.left;
        h = rect.bottom - rect.top;
    }
    if (!usableSize(w, h))
    {
        w = 640; // a size that fits most editors; the plug-in may ask for another
        h = 480;
    }
    if (!makeWindow(w, h, error)) return false;
    shownPlugin = &plugin;
    if (!openEditor(plugin))
    {
        close();
        error = "the plug-in's editor did not open";
        return false;
    }
    // Some editors know their size only once open.
    if (plugin.editorRect(rect) && usableSize(rect.right - rect.left, rect.bottom - rect.top) &&
        (rect.right - rect.left != w || rect.bottom - rect.top != h))
    {
        w = rect.right - rect.left;
        h = rect.bottom - rect.top;
        resizeClient(w, h);
    }
    watchPaints();
    clientWidth = w;
    clientHeight = h;
    paintMs.clear();
    pump();
    return true;
}

void CEditorHostWindow::close()
{
    if (window == nullptr) return;
    stopWatchingPaints();
    if (shownPlugin != nullptr) shownPlugin->dispatch(effEditClose);
    destroyWindow();
    window = nullptr;
    shownPlugin = nullptr;
    clientWidth = clientHeight = 0;
    pump();
}

bool CEditorHostWindow::pumpFor(int milliseconds, const std::function<void()>& between,
                                const std::function<bool()>& until)
{
    const double start = nowMs();
    do
    {
        pump();
        if (between) between();
        if (until && until()) return true;
        pauseMs(5);
    } while (nowMs() - start < milliseconds);
    return until ? until() : true;
}

void CEditorHostWindow::recordPaint(double milliseconds)
{
    if (paintMs.size() < kMaxPaintRecords) paintMs.push_back(milliseconds);
}

std::vector<double> CEditorHostWindow::takePaintTimes()
{
    std::vector<double> taken;
    taken.swap(paintMs);
    return taken;
}

bool CEditorHostWindow::capture(std::vector<uint8_t>& rgb, int& width, int& height,
                                std::string& error)
{
    if (window == nullptr)
    {
        error = "the editor is not open";
        return false;
    }
    waitForQuietPixels();
    return captureWindow(window, rgb, width, height, error);
}
