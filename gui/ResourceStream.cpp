#include "gui/ResourceStream.h"

#include <cstring>

void ResourceStream::open(const void* newData, uint32_t newSize)
{
    data = static_cast<const uint8_t*>(newData);
    size = newData ? newSize : 0;
    position = 0;
}

HRESULT ResourceStream::QueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IStream) ||
        IsEqualIID(iid, IID_ISequentialStream))
    {
        *object = static_cast<IStream*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG ResourceStream::AddRef()
{
    return ULONG(references.fetch_add(1) + 1);
}

ULONG ResourceStream::Release()
{
    const LONG count = references.fetch_sub(1) - 1;
    if (count == 0) delete this;
    return ULONG(count);
}

HRESULT ResourceStream::Read(void* buffer, ULONG length, ULONG* readLength)
{
    // 64-bit sum: a position plus length beyond 4 GiB must not wrap into a "valid" range.
    if (uint64_t(position) + uint64_t(length) > uint64_t(size) || (!buffer && length > 0))
    {
        if (readLength) *readLength = 0;
        return S_FALSE;
    }
    if (length > 0) std::memcpy(buffer, data + position, length);
    position += length;
    if (readLength) *readLength = length;
    return S_OK;
}

HRESULT ResourceStream::Seek(LARGE_INTEGER offset, DWORD origin, ULARGE_INTEGER* newPosition)
{
    HRESULT result = S_OK;
    switch (origin)
    {
    case STREAM_SEEK_SET:
        if (offset.QuadPart < 0 || offset.QuadPart >= int64_t(size))
            result = S_FALSE;
        else
            position = uint32_t(offset.QuadPart);
        break;
    case STREAM_SEEK_CUR:
    {
        // A relative offset near the 64-bit limits must not wrap either.
        const int64_t move = offset.QuadPart;
        if (move > int64_t(size) || move < -int64_t(size))
            result = S_FALSE;
        else
        {
            const int64_t target = int64_t(position) + move;
            if (target < 0 || target >= int64_t(size))
                result = S_FALSE;
            else
                position = uint32_t(target);
        }
        break;
    }
    case STREAM_SEEK_END:
        result = S_FALSE;
        break;
    default:
        return STG_E_INVALIDFUNCTION;
    }
    if (newPosition) newPosition->QuadPart = position;
    return result;
}

HRESULT ResourceStream::Revert()
{
    position = 0;
    return S_OK;
}

HRESULT ResourceStream::Stat(STATSTG* statistics, DWORD)
{
    if (!statistics) return STG_E_INVALIDPOINTER;
    std::memset(statistics, 0, sizeof(*statistics));
    statistics->cbSize.QuadPart = size;
    return S_OK;
}
