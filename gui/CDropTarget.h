#pragma once
// The frame window's OLE drop target: turns the platform's drag notifications into the
// toolkit's drag events on the frame, with a WinDragContainer presenting the dragged data.
// One drag is current at a time in the process.
//
// The target starts with no reference: the platform's registration takes the first and its
// revocation releases it, which destroys the target.
//
// All operations: [UI thread] (the platform's drag loop runs on the registering thread).

#include <windows.h>
#include <ole2.h>

#include <cstdint>

class CFrame;
class CDragContainer;

class CDropTarget : public IDropTarget
{
  public:
    explicit CDropTarget(CFrame* frame);
    CDropTarget(const CDropTarget&) = delete;
    CDropTarget& operator=(const CDropTarget&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // The effect answered while the mouse is over the editor is copy if the source allows it,
    // else move, else link, else what the source offered.
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL point,
                                        DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL point,
                                   DWORD* effect) override;

    virtual ~CDropTarget();

    // [UI thread] The container of the drag in progress, or null.
    static CDragContainer* getCurrentDragContainer();
    // [UI thread] Drop targets alive in the process.
    static int32_t getLiveCount();

  private:
    LONG references = 0;
    CFrame* frame = nullptr;
};
