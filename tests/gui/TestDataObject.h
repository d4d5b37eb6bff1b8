#pragma once
// A data object of our own, as a drag source would offer it: a file list (CF_HDROP) or UTF-16
// text, in global memory. Every medium it hands out carries a release object, so the tests
// can check that each one was released.

#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

class TestDataObject : public IDataObject
{
  public:
    static TestDataObject* withFiles(const std::vector<std::wstring>& paths)
    {
        auto* data = new TestDataObject();
        data->files = paths;
        data->offersFiles = true;
        return data;
    }
    // `terminated` false leaves the text without its terminating zero in its memory.
    static TestDataObject* withText(const std::wstring& text, bool terminated = true)
    {
        auto* data = new TestDataObject();
        data->text = text;
        data->offersText = true;
        data->textTerminated = terminated;
        return data;
    }
    static TestDataObject* withNothing() { return new TestDataObject(); }

    // Media handed out and not yet released.
    int outstandingMedia() const { return handedOut - released.count; }
    LONG referenceCount() const { return references; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject))
        {
            *object = static_cast<IDataObject*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++references); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG count = --references;
        if (count == 0) delete this;
        return ULONG(count);
    }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override
    {
        if (!format || !medium || !(format->tymed & TYMED_HGLOBAL) ||
            format->dwAspect != DVASPECT_CONTENT)
            return DV_E_FORMATETC;
        HGLOBAL memory = nullptr;
        if (format->cfFormat == CF_HDROP && offersFiles)
            memory = makeFileList();
        else if (format->cfFormat == CF_UNICODETEXT && offersText)
            memory = makeText();
        else
            return DV_E_FORMATETC;
        globals.push_back(memory);
        ++handedOut;
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = memory;
        medium->pUnkForRelease = &released;
        released.AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override
    {
        if (format && format->cfFormat == CF_HDROP && offersFiles) return S_OK;
        if (format && format->cfFormat == CF_UNICODETEXT && offersText) return S_OK;
        return DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override
    {
        if (out) out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override
    {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override
    {
        return OLE_E_ADVISENOTSUPPORTED;
    }

  private:
    // Counts the releases of handed-out media (ReleaseStgMedium releases this object instead
    // of freeing the memory, which the data object frees itself).
    struct ReleaseCounter : IUnknown
    {
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override
        {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
        ULONG STDMETHODCALLTYPE Release() override
        {
            ++count;
            return 1;
        }
        int count = 0;
    };

    TestDataObject() = default;
    virtual ~TestDataObject()
    {
        for (HGLOBAL memory : globals)
            GlobalFree(memory);
    }

    HGLOBAL makeFileList() const
    {
        size_t characters = 1; // the list's final zero
        for (const auto& path : files)
            characters += path.size() + 1;
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT,
                                     sizeof(DROPFILES) + characters * sizeof(wchar_t));
        auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
        header->pFiles = sizeof(DROPFILES);
        header->fWide = TRUE;
        auto* out = reinterpret_cast<wchar_t*>(header + 1);
        for (const auto& path : files)
        {
            std::memcpy(out, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
            out += path.size() + 1;
        }
        GlobalUnlock(memory);
        return memory;
    }
    HGLOBAL makeText() const
    {
        const size_t characters = text.size() + (textTerminated ? 1 : 0);
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, characters * sizeof(wchar_t));
        std::memcpy(GlobalLock(memory), text.c_str(), characters * sizeof(wchar_t));
        GlobalUnlock(memory);
        return memory;
    }

    LONG references = 1;
    std::vector<std::wstring> files;
    std::wstring text;
    bool offersFiles = false;
    bool offersText = false;
    bool textTerminated = true;
    std::vector<HGLOBAL> globals;
    int handedOut = 0;
    ReleaseCounter released;
};
