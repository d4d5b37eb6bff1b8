// AEffGUIEditor: the VST editor base over the toolkit's frame, the same on every platform; OLE
// and the waiting paint are AEffGUIEditorWin32.cpp's and AEffGUIEditorX11.cpp's.
#include "gui/AEffGUIEditor.h"

#include <algorithm>

#include "gui/ButtonBits.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"
#include "gui/PlatformIdle.h"
#include "vst/AudioEffectX.h"

int32_t AEffGUIEditor::knobMode = 0;

AEffGUIEditor::AEffGUIEditor(AudioEffect* effect) : AEffEditor(effect)
{
    systemWindow = nullptr;
    frame = nullptr;
    inIdleStuff = false;
    if (effect) effect->setEditor(this);
    lastTicks = platformTicks();
}

AEffGUIEditor::~AEffGUIEditor()
{
    leaveOle();
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
    uint32_t now = platformTicks();
    if (now < lastTicks)
    {
        platformSleep(4);
        now += 4;
        if (now < lastTicks - 50) return;
    }
    idle();
    dispatchWaitingPaint();
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
