#pragma once
// CVst3View: the editor as a VST3 IPlugView, the VST 2.4 editor itself reached through the
// bridge. 430 x 600, fixed. On Windows it lives in the host's HWND and is stepped by a window
// timer; on Linux it is embedded in the host's X11 window and stepped by the host's run loop:
// a timer, and the editor's X connection watched for events (no thread, no private event loop).
// The view may be made, attached, removed and released many times over one effect.
//
// Threads: the host's UI thread throughout.

#include <atomic>

#include "vst3/Vst3Interfaces.h"

class CVst3Effect;

class CVst3View final : public vst3::IPlugView,
                        public vst3::ITimerHandler,
                        public vst3::IEventHandler
{
  public:
    // Keeps a reference to `effect`; `context` (may be null) is asked for a run loop when the
    // frame has none.
    CVst3View(CVst3Effect& effect, vst3::FUnknown* context);
    CVst3View(const CVst3View&) = delete;
    CVst3View& operator=(const CVst3View&) = delete;

    // The editor's step: the script's redraw timer, window events, paints, pending restarts.
    void step();

    vst3::tresult VST3_API queryInterface(const char* id, void** obj) override;
    vst3::uint32 VST3_API addRef() override;
    vst3::uint32 VST3_API release() override;

    vst3::tresult VST3_API isPlatformTypeSupported(vst3::FIDString type) override;
    vst3::tresult VST3_API attached(void* parent, vst3::FIDString type) override;
    vst3::tresult VST3_API removed() override;
    vst3::tresult VST3_API onWheel(float distance) override;
    vst3::tresult VST3_API onKeyDown(vst3::char16 key, vst3::int16 keyCode,
                                     vst3::int16 modifiers) override;
    vst3::tresult VST3_API onKeyUp(vst3::char16 key, vst3::int16 keyCode,
                                   vst3::int16 modifiers) override;
    vst3::tresult VST3_API getSize(vst3::ViewRect* size) override;
    vst3::tresult VST3_API onSize(vst3::ViewRect* newSize) override;
    vst3::tresult VST3_API onFocus(vst3::TBool state) override;
    vst3::tresult VST3_API setFrame(vst3::IPlugFrame* frame) override;
    vst3::tresult VST3_API canResize() override;
    vst3::tresult VST3_API checkSizeConstraint(vst3::ViewRect* rect) override;

    void VST3_API onTimer() override { step(); }
    void VST3_API onFDIsSet(int) override { step(); }

  private:
    ~CVst3View();
    bool startStepping();
    void stopStepping();

    std::atomic<vst3::uint32> references{1};
    CVst3Effect& effect;
    vst3::FUnknown* context = nullptr;
    vst3::IPlugFrame* frame = nullptr;
    vst3::IRunLoop* runLoop = nullptr; // Linux, while attached
    bool timerOn = false;
    bool watching = false;
    void* parentWindow = nullptr;
};
