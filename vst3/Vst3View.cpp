#include "vst3/Vst3View.h"

#include <cstring>

#include "vst3/Vst3Effect.h"

#ifdef _WIN32
#include <windows.h>
#endif

using namespace vst3;

namespace
{
// The editor's step rate: faster than the script's 30 redraws per second, which it paces itself.
constexpr uint64 kStepMilliseconds = 15;

#ifdef _WIN32
constexpr const char* kPlatformType = "HWND";

// The window timer carries the view as its id.
void CALLBACK StepTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    reinterpret_cast<CVst3View*>(id)->step();
}
#else
constexpr const char* kPlatformType = "X11EmbedWindowID";
#endif
} // namespace

CVst3View::CVst3View(CVst3Effect& owner, FUnknown* hostContext)
    : effect(owner), context(hostContext)
{
    effect.addRef();
    if (context) context->addRef();
}

CVst3View::~CVst3View()
{
    removed();
    setFrame(nullptr);
    if (context) context->release();
    effect.release();
}

tresult VST3_API CVst3View::queryInterface(const char* id, void** obj)
{
    if (!obj) return kInvalidArgument;
    *obj = nullptr;
    if (SameUid(id, FUnknown::iid) || SameUid(id, IPlugView::iid))
        *obj = static_cast<IPlugView*>(this);
    else if (SameUid(id, ITimerHandler::iid))
        *obj = static_cast<ITimerHandler*>(this);
    else if (SameUid(id, IEventHandler::iid))
        *obj = static_cast<IEventHandler*>(this);
    else
        return kNoInterface;
    addRef();
    return kResultOk;
}

uint32 VST3_API CVst3View::addRef()
{
    return ++references;
}

uint32 VST3_API CVst3View::release()
{
    const uint32 left = --references;
    if (left == 0) delete this;
    return left;
}

tresult VST3_API CVst3View::isPlatformTypeSupported(FIDString type)
{
    return type && std::strcmp(type, kPlatformType) == 0 ? kResultTrue : kResultFalse;
}

tresult VST3_API CVst3View::attached(void* parent, FIDString type)
{
    if (!parent || isPlatformTypeSupported(type) != kResultTrue) return kInvalidArgument;
    COstraBridge* bridge = effect.bridge();
    if (!bridge) return kNotInitialized;
    if (parentWindow) removed();
    if (!bridge->openEditor(parent)) return kResultFalse;
    parentWindow = parent;
    startStepping();
    return kResultOk;
}

tresult VST3_API CVst3View::removed()
{
    if (!parentWindow) return kResultOk;
    stopStepping();
    if (COstraBridge* bridge = effect.bridge()) bridge->closeEditor();
    parentWindow = nullptr;
    return kResultOk;
}

void CVst3View::step()
{
    if (!parentWindow) return;
    if (COstraBridge* bridge = effect.bridge()) bridge->idleEditor();
    effect.deliverRestarts();
}

bool CVst3View::startStepping()
{
#ifdef _WIN32
    timerOn = SetTimer(static_cast<HWND>(parentWindow), reinterpret_cast<UINT_PTR>(this),
                       static_cast<UINT>(kStepMilliseconds), StepTimer) != 0;
    return timerOn;
#else
    // The frame's run loop, else the host context's.
    for (FUnknown* source : {static_cast<FUnknown*>(frame), context})
    {
        void* found = nullptr;
        if (source && source->queryInterface(IRunLoop::iid.bytes, &found) == kResultOk && found)
        {
            runLoop = static_cast<IRunLoop*>(found);
            break;
        }
    }
    if (!runLoop) return false;
    timerOn = runLoop->registerTimer(this, kStepMilliseconds) == kResultOk;
    const int fd = effect.bridge() ? effect.bridge()->editorConnection() : -1;
    watching = fd >= 0 && runLoop->registerEventHandler(this, fd) == kResultOk;
    return timerOn;
#endif
}

void CVst3View::stopStepping()
{
#ifdef _WIN32
    if (timerOn) KillTimer(static_cast<HWND>(parentWindow), reinterpret_cast<UINT_PTR>(this));
#else
    if (runLoop)
    {
        if (watching) runLoop->unregisterEventHandler(this);
        if (timerOn) runLoop->unregisterTimer(this);
        runLoop->release();
        runLoop = nullptr;
    }
    watching = false;
#endif
    timerOn = false;
}

tresult VST3_API CVst3View::onWheel(float)
{
    return kResultFalse;
}

tresult VST3_API CVst3View::onKeyDown(char16, int16, int16)
{
    return kResultFalse;
}

tresult VST3_API CVst3View::onKeyUp(char16, int16, int16)
{
    return kResultFalse;
}

tresult VST3_API CVst3View::getSize(ViewRect* size)
{
    if (!size) return kInvalidArgument;
    int32_t width = 0, height = 0;
    COstraBridge* bridge = effect.bridge();
    if (!bridge || !bridge->editorSize(width, height)) return kResultFalse;
    *size = ViewRect{0, 0, width, height};
    return kResultOk;
}

tresult VST3_API CVst3View::onSize(ViewRect* newSize)
{
    // Fixed size: the editor stays as it is whatever the parent does.
    return newSize ? kResultOk : kInvalidArgument;
}

tresult VST3_API CVst3View::onFocus(TBool)
{
    return kResultOk;
}

tresult VST3_API CVst3View::setFrame(IPlugFrame* newFrame)
{
    if (newFrame == frame) return kResultOk;
    if (newFrame) newFrame->addRef();
    if (frame) frame->release();
    frame = newFrame;
    return kResultOk;
}

tresult VST3_API CVst3View::canResize()
{
    return kResultFalse;
}

tresult VST3_API CVst3View::checkSizeConstraint(ViewRect* rect)
{
    if (!rect) return kInvalidArgument;
    ViewRect size{};
    if (getSize(&size) != kResultOk) return kResultFalse;
    rect->right = rect->left + size.right;
    rect->bottom = rect->top + size.bottom;
    return kResultOk;
}
