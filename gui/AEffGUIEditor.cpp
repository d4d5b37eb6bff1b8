#include "gui/AEffGUIEditor.h"

#ifdef _WIN32
#include <windows.h>
#include <ole2.h>
#else
#include <ctime>
#include <unistd.h>

namespace
{
// The system's millisecond tick, as GetTickCount counts it (wrapping at 2^32).
uint32_t GetTickCount()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return uint32_t(uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u);
}

void Sleep(unsigned milliseconds)
{
    usleep(milliseconds * 1000u);
}
} // namespace
#endif

#include <algorithm>

#include "gui/ButtonBits.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"
#include "vst/AudioEffectX.h"

int32_t AEffGUIEditor::knobMode = 0;

AEffGUIEditor::AEffGUIEditor(AudioEffect* effect) : AEffEditor(effect)
{
    systemWindow = nullptr;
    frame = nullptr;
    inIdleStuff = false;
    if (effect) effect->setEditor(this);
    lastTicks = GetTickCount();
}

AEffGUIEditor::~AEffGUIEditor()
{
    leaveOle();
}

void AEffGUIEditor::enterOle()
{
#ifdef _WIN32
    if (oleInitialized) return;
    // S_FALSE (already initialised on this thread) also counts and needs its uninitialise; a
    // thread in another apartment mode refuses, and then there is nothing to pair.
    const HRESULT ole = OleInitialize(nullptr);
    oleInitialized = ole == S_OK || ole == S_FALSE;
    oleThread = oleInitialized ? GetCurrentThreadId() : 0;
#endif // OLE (file drop) is Windows only
}

void AEffGUIEditor::leaveOle()
{
#ifdef _WIN32
    if (!oleInitialized || oleThread != GetCurrentThreadId()) return;
    OleUninitialize();
    oleInitialized = false;
    oleThread = 0;
#endif
}

bool AEffGUIEditor::getRect(ERect** target)
{
    if (!target) return false;
    *target = &rect;
    return true;
}

void AEffGUIEditor::idle()
{
    if (!inIdleStuff && frame) frame->idle();
}

bool AEffGUIEditor::onKeyDown(VstKeyCode& keyCode)
{
    return frame ? frame->onKeyDown(keyCode) > 0 : false;
}

bool AEffGUIEditor::onKeyUp(VstKeyCode& keyCode)
{
    return frame ? frame->onKeyUp(keyCode) > 0 : false;
}

bool AEffGUIEditor::onWheel(float distance)
{
    if (!frame) return false;
    auto* context = new CDrawContext(frame, nullptr, frame->getSystemWindow());
    CPoint where;
    context->getMouseLocation(where);
    const bool handled = frame->onWheel(where, distance, getMouseButtons());
    context->forget();
    return handled;
}

bool AEffGUIEditor::setKnobMode(VstInt32 mode)
{
    knobMode = mode;
    return true;
}

void AEffGUIEditor::setParameter(VstInt32 /*index*/, float /*value*/) {}

void AEffGUIEditor::draw(ERect* area)
{
    if (!frame) return;
    CRect region;
    if (area)
    {
        region = CRect(std::min(area->left, area->right), std::min(area->top, area->bottom),
                       std::max(area->left, area->right), std::max(area->top, area->bottom));
    }
    else
    {
        frame->getSize(region);
    }
    auto* context = new CDrawContext(frame, nullptr, frame->getSystemWindow());
    frame->drawRect(context, region);
    context->forget();
}

void AEffGUIEditor::doIdleStuff()
{
    uint32_t now = GetTickCount();
    if (now < lastTicks)
    {
        Sleep(4);
        now += 4;
        if (now < lastTicks - 50) return;
    }
    idle();
#ifdef _WIN32
    MSG message;
    if (PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageW(&message);
#endif // on X11 the idle step above has handled the window's events and painted
    lastTicks = now + 100;
    inIdleStuff = true;
    if (effect) effect->masterIdle();
    inIdleStuff = false;
}

int32_t AEffGUIEditor::getKnobMode() const
{
    return knobMode;
}

void AEffGUIEditor::beginEdit(int32_t index)
{
    if (auto* effectX = dynamic_cast<AudioEffectX*>(effect)) effectX->beginEdit(index);
}

void AEffGUIEditor::endEdit(int32_t index)
{
    if (auto* effectX = dynamic_cast<AudioEffectX*>(effect)) effectX->endEdit(index);
}
