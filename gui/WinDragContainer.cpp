#include "gui/WinDragContainer.h"

#include "gui/WideText.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cwchar>
#include <cwctype>

namespace
{
FORMATETC formatOf(CLIPFORMAT format)
{
    return FORMATETC{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

// Answers the data in `format` as global memory, or false. The caller releases the medium.
bool getMedium(IDataObject* data, CLIPFORMAT format, STGMEDIUM& medium)
{
    if (!data) return false;
    FORMATETC wanted = formatOf(format);
    medium = STGMEDIUM{};
    if (FAILED(data->GetData(&wanted, &medium))) return false;
    if (medium.tymed != TYMED_HGLOBAL || !medium.hGlobal)
    {
        ReleaseStgMedium(&medium);
        return false;
    }
    return true;
}

// Longest path read back from a shortcut, in wide characters.
constexpr int kShortcutPathLength = 2048;
} // namespace

WinDragContainer::WinDragContainer(IDataObject* data) : dataObject(data)
{
    if (!dataObject) return;
    dataObject->AddRef(); // kept valid for as long as views may read items
    STGMEDIUM medium;
    if (getMedium(dataObject, CF_UNICODETEXT, medium))
    {
        itemCount = 1;
        ReleaseStgMedium(&medium);
    }
    else if (getMedium(dataObject, CF_HDROP, medium))
    {
        itemCount =
            int32_t(DragQueryFileW(static_cast<HDROP>(medium.hGlobal), 0xFFFFFFFF, nullptr, 0));
        ReleaseStgMedium(&medium);
    }
}

WinDragContainer::~WinDragContainer()
{
    if (dataObject) dataObject->Release();
}

bool WinDragContainer::offersText() const
{
    STGMEDIUM medium;
    if (!getMedium(dataObject, CF_UNICODETEXT, medium)) return false;
    ReleaseStgMedium(&medium);
    return true;
}

int32_t WinDragContainer::getType(int32_t) const
{
    if (!dataObject) return kError;
    return offersText() ? kText : kFile;
}

void* WinDragContainer::first(int32_t& size, int32_t& type)
{
    nextItem = 0;
    return next(size, type);
}

void* WinDragContainer::next(int32_t& size, int32_t& type)
{
    if (!dataObject)
    {
        size = 0;
        type = kError;
        return nullptr;
    }
    itemBuffer.clear();
    hasItem = false;
    size = 0;
    type = kUnknown;

    STGMEDIUM medium;
    if (getMedium(dataObject, CF_UNICODETEXT, medium))
    {
        // One text item, handed out on the first call after first() only.
        const bool firstCall = nextItem++ == 0;
        if (firstCall)
        {
            const SIZE_T bytes = GlobalSize(medium.hGlobal);
            if (bytes > 0)
            {
                if (const auto* text = static_cast<const wchar_t*>(GlobalLock(medium.hGlobal)))
                {
                    // The text need not be terminated within its memory.
                    const std::wstring wide(text, wcsnlen(text, bytes / sizeof(wchar_t)));
                    GlobalUnlock(medium.hGlobal);
                    itemBuffer = wideToUtf8(wide.c_str());
                    hasItem = true;
                    size = int32_t(itemBuffer.size());
                    type = kUnicodeText;
                }
            }
        }
        ReleaseStgMedium(&medium);
        return hasItem ? itemBuffer.data() : nullptr;
    }

    if (getMedium(dataObject, CF_HDROP, medium))
    {
        const auto drop = static_cast<HDROP>(medium.hGlobal);
        const UINT index = UINT(nextItem++);
        // The path's own length, so that no path is cut or overruns its buffer.
        const UINT length = DragQueryFileW(drop, index, nullptr, 0);
        if (length > 0)
        {
            std::wstring path(size_t(length) + 1, L'\0');
            if (DragQueryFileW(drop, index, path.data(), length + 1) == length)
            {
                path.resize(length);
                const bool shortcut =
                    length >= 4 && _wcsicmp(path.c_str() + length - 4, L".lnk") == 0;
                if (shortcut) path = resolveShortcut(path);
                itemBuffer = wideToUtf8(path.c_str());
                hasItem = true;
                size = int32_t(itemBuffer.size());
                type = kFile;
            }
        }
        ReleaseStgMedium(&medium);
    }
    return hasItem ? itemBuffer.data() : nullptr;
}

std::wstring WinDragContainer::resolveShortcut(const std::wstring& path)
{
    std::wstring result = path;
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return result;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))))
    {
        // No user interface, any match, at most 500 ms of searching.
        if (SUCCEEDED(file->Load(path.c_str(), STGM_READ)) &&
            SUCCEEDED(link->Resolve(nullptr, MAKELONG(SLR_NO_UI | SLR_ANY_MATCH, 500))))
        {
            wchar_t target[kShortcutPathLength] = L"";
            if (SUCCEEDED(link->GetPath(target, kShortcutPathLength, nullptr, SLGP_SHORTPATH)) &&
                target[0])
            {
                target[kShortcutPathLength - 1] = 0;
                result = target;
            }
        }
        file->Release();
    }
    link->Release();
    return result;
}
