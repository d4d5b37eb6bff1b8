#pragma once
// The root of a view tree and the owner of one child window inside the host's editor window:
// it turns window messages into view events and paints its views.
//
// The first frame with a window in the process registers the window class "Plugin<module
// handle in hex>"; the last one to go unregisters it. A frame made without a parent window has
// no window: it draws and routes events only when asked directly.
//
// All operations: [UI thread], the thread that created the frame.

#include "gui/CViewContainer.h"
#include "gui/PlatformTypes.h"

#include <cstdint>

class CDropTarget;
class CRepaintCache;
class CEditorInterface;
class CMouseObserver;
class COffscreenContext;

// Cursor shapes for setCursor.
enum CCursorType : int32_t
{
    kCursorDefault = 0,
    kCursorWait,
    kCursorHSize,
    kCursorVSize,
    kCursorSizeAll,
    kCursorNESWSize,
    kCursorNWSESize,
    kCursorCopy,
    kCursorNotAllowed,
    kCursorHand,
};

class CFrame : public CViewContainer
{
  public:
    // Makes the child window at once when `parentWindow` (an HWND; on X11 the parent's window
    // id cast to a pointer) is not null.
    CFrame(const CRect& size, void* parentWindow, CEditorInterface* editor);
    CFrame(const CFrame&) = delete;
    CFrame& operator=(const CFrame&) = delete;
    ~CFrame() override;

    // --- View operations ------------------------------------------------------------------------
    void draw(CDrawContext* context) override;
    void drawRect(CDrawContext* context, const CRect& updateRect) override;
    // Invalidates the window area (window coordinates), which brings one paint message.
    void invalidRect(const CRect rect) override;
    void invalid() override;
    int32_t onMouseDown(CPoint& where, int32_t buttons) override;
    int32_t onMouseUp(CPoint& where, int32_t buttons) override;
    int32_t onMouseMoved(CPoint& where, int32_t buttons) override;
    // The mouse left the window.
    int32_t onMouseExited(CPoint& where, int32_t buttons) override;
    bool onWheel(const CPoint& where, float distance, int32_t buttons) override;
    bool onWheel(const CPoint& where, int32_t axis, float distance, int32_t buttons) override;
    int32_t onKeyDown(VstKeyCode& keyCode) override;
    int32_t onKeyUp(VstKeyCode& keyCode) override;
    bool removeView(CView* view, bool withForget = true) override;
    bool isTypeOf(const char* type) const override;
    CEditorInterface* getEditor() const override { return editor; }

    // --- Frame operations -----------------------------------------------------------------------
    virtual bool isOpen() const { return open; }
    // Asks views that were marked dirty for a redraw.
    virtual void idle();
    virtual void doIdleStuff();
    virtual uint32_t getTicks() const;
    virtual int32_t getKnobMode() const;
    virtual bool setPosition(double x, double y);
    // Top-left corner of the window in its parent's client coordinates (only while open).
    virtual bool getPosition(double& x, double& y) const;
    virtual bool setSize(double width, double height);
    virtual bool getSize(CRect* rect) const;
    virtual bool getSize(CRect& rect) const;
    virtual int32_t setModalView(CView* view);
    virtual CView* getModalView() const { return modalView; }
    virtual void beginEdit(int32_t index);
    virtual void endEdit(int32_t index);
    // The cursor in window coordinates.
    virtual bool getCurrentMouseLocation(CPoint& where) const;
    virtual int32_t getCurrentMouseButtons() const;
    virtual void setCursor(int32_t type);
    virtual void setFocusView(CView* view);
    virtual CView* getFocusView() const { return focusView; }
    // Forgets `view` (or the view inside it) as focus, mouse-over or modal view.
    virtual void onViewRemoved(CView* view);
    virtual void setDropActive(bool state);
    virtual bool isDropActive() const { return dropActive; }
    virtual void setOpen(bool state) { open = state; }
    virtual bool getOpen() const { return open; }
    // Marks every child overlapping `rect` dirty.
    virtual void invalidate(const CRect& rect);
    virtual CMouseObserver* getMouseObserver() const { return mouseObserver; }
    virtual void setMouseObserver(CMouseObserver* observer) { mouseObserver = observer; }
    virtual CPoint getCurrentMouseLocation() const;

    PlatformWindow getSystemWindow() const { return window; }
    PlatformWindow getParentWindow() const { return parentWindow; }
    CView* getMouseOverView() const { return mouseOverView; }
    COffscreenContext* getBackBuffer() const { return backBuffer; }

    // [UI thread] The window's paint handling: draws the update region.
    void paint();

    // --- Process-wide state ---------------------------------------------------------------------
    // The registered window class name (empty while no frame has a window).
    static const wchar_t* getClassName();
    // Frames that currently own a window.
    static int32_t getWindowFrameCount();
    // The platform's major version as last read by a frame constructor (5 and lower paint
    // through a back buffer, 6 and higher use a composited window).
    static int32_t getPlatformMajorVersion();
    // Replaces the platform's major version as the next frames read it (0: the real one).
    // For exercising the older systems' paint path.
    static void overridePlatformMajorVersion(int32_t major);

    // [UI thread] Handles the window events that wait for the frame and paints what was
    // invalidated since the last paint. Runs from idle (the host's effEditIdle). On X11 this is
    // where the window's events are served; Windows delivers them through the window procedure,
    // and nothing waits here.
    void handleEvents();

#ifndef _WIN32
    // [UI thread] The frame's own connection to the X server, or null without a window.
    struct _XDisplay* getDisplay() const
    {
        return display;
    }
    // [UI thread] A new cairo surface over the frame window (the caller destroys it), or null.
    cairo_surface_t* makeWindowSurface() const;
#endif

  protected:
    // --- The window system's half (CFrameWin32.cpp, CFrameX11.cpp) ---------------------------
    // First in the constructor, before the drawing session opens: what the window system needs
    // on this thread (OLE and the system's version on Windows).
    void beginPlatform();
    // Makes the child window inside parentWindow; false leaves the frame without a window.
    bool makeWindow();
    // Last in the destructor, before the drawing session closes: the window and what belongs
    // to it (the back buffer, the kept paints, the connection).
    void releaseWindow();
    // The window's size in pixels as the window system has it; false when it cannot tell.
    bool getWindowExtent(double& width, double& height) const;
    // Gives the window the new size (the views follow in setSize).
    void resizeWindow(double width, double height);
    // The mouse came into the window: has the window system report its leaving.
    void trackMouseLeave();

    // Drops the back buffer (it is made again at the next paint, in the window's size).
    void releaseBackBuffer();

#ifdef _WIN32
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // The window procedure's work, which may throw (windowProc catches).
    static LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static bool registerWindowClass();
    static void unregisterWindowClass();
    static int32_t buttonsFromMessage(WPARAM wParam);
#else
    // One X event of the frame window.
    void handleEvent(const union _XEvent& event);
    // Adds `area` (window pixels) to what the next paint draws.
    void addDamage(const CRect& area);
#endif

    CEditorInterface* editor = nullptr;
    CMouseObserver* mouseObserver = nullptr;
    PlatformWindow parentWindow{};
    CView* modalView = nullptr;
    CView* focusView = nullptr;
    CView* mouseOverView = nullptr;
    bool firstDraw = true;
    bool open = true;
    bool dropActive = false;
    PlatformWindow window{};
    bool countsWindow = false;   // holds one unit of the process-wide frame count
    bool oleInitialized = false; // paired with one OleUninitialize
    CDropTarget* dropTarget = nullptr;
    COffscreenContext* backBuffer = nullptr;
    // Pixels of text and images kept from earlier paints straight into the window.
    CRepaintCache* repaintCache = nullptr;
    bool mouseInside = false;
    CDrawContext* frameContext = nullptr;
#ifdef _WIN32
    HCURSOR defaultCursor = nullptr;
#else
    struct _XDisplay* display = nullptr; // own connection, opened with the window
    // Cairo's state for the connection (one reference), finished before the connection closes.
    mutable cairo_device_t* cairoDevice = nullptr;
    // Copying the back buffer to a window of the common 24-bit colour visual: its graphics
    // context (null otherwise; other visuals are drawn into through cairo).
    struct _XGC* copyContext = nullptr;
    void* copyVisual = nullptr; // the window's visual (an Xlib Visual)
    int copyDepth = 0;
    unsigned long currentCursor = 0; // the X cursor shown, 0 for the parent's
    int32_t currentCursorType = kCursorDefault;
    CRect damage;            // invalidated, not yet painted (empty: nothing)
    int32_t lastButtons = 0; // buttons held, for moves and releases
#endif
};
