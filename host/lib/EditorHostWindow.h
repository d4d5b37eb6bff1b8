#pragma once
// A plug-in's editor in a real top-level window, as a host shows it: opened with the size the
// plug-in reports, kept painting through idle calls and the window's message loop, and read back
// from the server's or the system's picture of the window. Used by quar2-host (natively for
// Linux plug-ins, in the bridge for Windows ones) for pictures of the editor, and by the editor
// tests, which also open editors themselves in a window made by create() and use its message
// pump and readback for any window.
//
// EditorHostWindow.cpp has what both platforms share (opening, closing, the paint record).
// Windows (EditorHostWindowWin32.cpp): a Win32 window; the handle is its HWND; pixels through
// BitBlt. Linux (EditorHostWindowX11.cpp): an X11 window on the display DISPLAY names; the handle
// is its window id as a pointer-sized integer (what Linux hosts pass to effEditOpen); pixels
// through XGetImage. The plug-in handles its own X events inside effEditIdle, so there the pump
// only drains the host's connection.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/lib/VstPlugin.h"

class CEditorHostWindow
{
  public:
    CEditorHostWindow() = default;
    CEditorHostWindow(const CEditorHostWindow&) = delete;
    CEditorHostWindow& operator=(const CEditorHostWindow&) = delete;
    ~CEditorHostWindow() { close(); }

    // [UI thread] Opens the editor of `plugin` in a new window whose client area is the editor's
    // size (640 x 480 when the plug-in names no usable size; resized when the open editor reports
    // another). False with a reason when the plug-in has no editor or it does not open.
    bool open(CVstPlugin& plugin, std::string& error);
    // [UI thread] A window whose client area is `width` x `height` with no editor in it, for a
    // caller that opens an editor itself (effEditOpen with handle()). False with a reason when no
    // window can be made.
    bool create(int width, int height, std::string& error);
    // [UI thread] Runs the message loop and effEditIdle (about every 10 ms) for `milliseconds`.
    void idle(int milliseconds);
    // [UI thread] Handles every message waiting for this thread.
    static void pump();
    // [UI thread] Handles this thread's messages for about `milliseconds`: each round pump(),
    // then `between` (when given; a host's idle call), then `until`, then a 5 ms pause. Stops
    // early once `until` answers true; answers `until` at the end (true without one).
    static bool pumpFor(int milliseconds, const std::function<void()>& between = nullptr,
                        const std::function<bool()>& until = nullptr);
    // [UI thread] How long each paint of the editor took (milliseconds, in the order painted)
    // since the last call; the record is emptied. Paints are timed only inside idle(), where a
    // host's message loop would run them: on Windows each paint message of the editor's window,
    // on Linux each effEditIdle call during which the editor's pixels changed (the DAMAGE
    // extension reports it), since the editor draws inside that call.
    std::vector<double> takePaintTimes();
    // [UI thread] The client area's pixels, 3 bytes (R, G, B) each, top row first.
    bool capture(std::vector<uint8_t>& rgb, int& width, int& height, std::string& error);
    // [UI thread] The same for any window (HWND, or X11 window id), e.g. the editor's own.
    static bool captureWindow(void* window, std::vector<uint8_t>& rgb, int& width, int& height,
                              std::string& error);
    void close();

    bool isOpen() const { return window != nullptr; }
    // The host window (HWND, or X11 window id), null while closed.
    void* handle() const { return window; }
    // Client size in pixels, 0 while closed.
    int width() const { return clientWidth; }
    int height() const { return clientHeight; }
    // The plug-in's own child window (HWND, or X11 window id), null when it made none.
    void* editorWindow() const;

  private:
    // Keeps one paint time (a bounded record: about an hour of editor frames).
    void recordPaint(double milliseconds);

    // --- The window system's half (EditorHostWindowWin32.cpp, EditorHostWindowX11.cpp) -------
    // pump(), timing the dispatch of every paint message (Windows; Linux times idle calls).
    void pumpTimed();
    // Makes and shows the top-level window with a client area of w x h.
    bool makeWindow(int w, int h, std::string& error);
    // effEditOpen with the window as parent: whether the editor opened (it said so, or it made
    // its child window).
    bool openEditor(CVstPlugin& plugin);
    // Gives the window a client area of w x h.
    void resizeClient(int w, int h);
    // Starts and stops noticing the editor's paints (Linux: DAMAGE on the editor's pixels).
    void watchPaints();
    void stopWatchingPaints();
    // Returns once the editor's pixels have stopped changing (Linux; Windows paints in order).
    void waitForQuietPixels();
    void destroyWindow();
    // A steady clock in milliseconds, and a pause of `milliseconds`.
    static double nowMs();
    static void pauseMs(int milliseconds);

    CVstPlugin* shownPlugin = nullptr;
    std::vector<double> paintMs;
    void* window = nullptr; // HWND, or X11 window id
    int clientWidth = 0;
    int clientHeight = 0;
};
