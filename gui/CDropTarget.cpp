#include "gui/CDropTarget.h"

#include "gui/CFrame.h"
#include "gui/WinDragContainer.h"

namespace
{
WinDragContainer* currentDrag = nullptr;  // at most one drag at a time
CDropTarget* currentDragTarget = nullptr; // the target that made it
int32_t liveTargets = 0;

// Copy if allowed, else move, else link, else unchanged.
void reduceEffect(DWORD* effect)
{
    if (!effect) return;
    if (*effect & DROPEFFECT_COPY)
        *effect = DROPEFFECT_COPY;
    else if (*effect & DROPEFFECT_MOVE)
        *effect = DROPEFFECT_MOVE;
    else if (*effect & DROPEFFECT_LINK)
        *effect = DROPEFFECT_LINK;
}

void releaseCurrentDrag()
{
    WinDragContainer* drag = currentDrag;
    currentDrag = nullptr;
    currentDragTarget = nullptr;
    if (drag) drag->forget();
}

CPoint mouseLocation(CFrame* frame)
{
    CPoint where;
    frame->getCurrentMouseLocation(where);
    return where;
}
} // namespace

CDropTarget::CDropTarget(CFrame* frame) : frame(frame)
{
    ++liveTargets;
}

CDropTarget::~CDropTarget()
{
    // A target revoked in the middle of a drag (its frame is going away) takes the drag with
    // it: nothing will end it any more.
    if (currentDragTarget == this) releaseCurrentDrag();
    --liveTargets;
}

HRESULT CDropTarget::QueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IDropTarget) || IsEqualIID(iid, IID_IUnknown))
    {
        *object = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CDropTarget::AddRef()
{
    return ULONG(++references);
}

ULONG CDropTarget::Release()
{
    if (--references <= 0)
    {
        delete this;
        return 0;
    }
    return ULONG(references);
}

HRESULT CDropTarget::DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect)
{
    if (!data || !frame)
    {
        if (effect) *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    // An earlier drag that never ended would otherwise be lost.
    releaseCurrentDrag();
    currentDrag = new WinDragContainer(data);
    currentDragTarget = this;
    frame->onDragEnter(currentDrag, mouseLocation(frame));
    reduceEffect(effect);
    return S_OK;
}

HRESULT CDropTarget::DragOver(DWORD, POINTL, DWORD* effect)
{
    if (currentDrag && frame)
    {
        frame->onDragMove(currentDrag, mouseLocation(frame));
        reduceEffect(effect);
    }
    return S_OK;
}

HRESULT CDropTarget::DragLeave()
{
    if (currentDrag && frame)
    {
        frame->onDragLeave(currentDrag, mouseLocation(frame));
        releaseCurrentDrag();
    }
    return S_OK;
}

HRESULT CDropTarget::Drop(IDataObject*, DWORD, POINTL, DWORD*)
{
    if (currentDrag && frame)
    {
        frame->onDrop(currentDrag, mouseLocation(frame));
        releaseCurrentDrag();
    }
    return S_OK;
}

CDragContainer* CDropTarget::getCurrentDragContainer()
{
    return currentDrag;
}

int32_t CDropTarget::getLiveCount()
{
    return liveTargets;
}
