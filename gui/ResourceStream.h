#pragma once
// A read-only IStream over a block of memory (a locked module resource), so that GDI+ can decode
// an image embedded in the plug-in. The stream does not own the memory.

#include <windows.h>
#include <objidl.h>

#include <atomic>
#include <cstdint>

class ResourceStream final : public IStream
{
  public:
    // Count 1, empty. open() points it at the data.
    ResourceStream() = default;
    ResourceStream(const ResourceStream&) = delete;
    ResourceStream& operator=(const ResourceStream&) = delete;

    // [UI thread] Reads `size` bytes at `data` from position 0.
    void open(const void* data, uint32_t size);

    // IUnknown. [any thread] The count changes atomically; Release destroys at 0.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // ISequentialStream. A read that would pass the end, or whose end does not fit in 32 bits,
    // reads nothing and answers S_FALSE.
    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG length, ULONG* readLength) override;
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }

    // IStream. Seeks are refused (S_FALSE, position unchanged) when the target is at or beyond
    // the end, before the start, or relative to the end.
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER offset, DWORD origin,
                                   ULARGE_INTEGER* newPosition) override;
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*,
                                     ULARGE_INTEGER*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Revert() override;
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* statistics, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

    uint32_t getPosition() const { return position; }
    uint32_t getSize() const { return size; }

  private:
    ~ResourceStream() = default; // Release() destroys

    const uint8_t* data = nullptr;
    uint32_t position = 0;
    uint32_t size = 0;
    std::atomic<LONG> references{1};
};
