#include "plugin/InterimEditor.h"

COstraInterimEditor::COstraInterimEditor(AudioEffect* effect, int32_t width, int32_t height)
    : AEffEditor(effect)
{
    rect.top = 0;
    rect.left = 0;
    rect.bottom = static_cast<VstInt16>(height);
    rect.right = static_cast<VstInt16>(width);
}

bool COstraInterimEditor::getRect(ERect** target)
{
    if (!target) return false;
    *target = &rect;
    return true;
}
