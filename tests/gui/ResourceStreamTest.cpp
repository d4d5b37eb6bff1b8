// The read-only stream over resource memory that GDI+ decodes images from.
#include "gui/ResourceStream.h"

#include <cstring>

#include <gtest/gtest.h>

namespace
{
class ResourceStreamTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        stream = new ResourceStream();
        stream->open(data, sizeof(data));
    }
    void TearDown() override { EXPECT_EQ(stream->Release(), 0u); }

    HRESULT seek(int64_t offset, DWORD origin, uint64_t* position = nullptr)
    {
        LARGE_INTEGER move;
        move.QuadPart = offset;
        ULARGE_INTEGER now{};
        const HRESULT result = stream->Seek(move, origin, &now);
        if (position) *position = now.QuadPart;
        return result;
    }

    const uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ResourceStream* stream = nullptr;
};
} // namespace

TEST_F(ResourceStreamTest, ReadsWithinTheData)
{
    uint8_t buffer[16] = {};
    ULONG read = 99;
    EXPECT_EQ(stream->Read(buffer, 10, &read), S_FALSE); // more than there is: nothing
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(stream->getPosition(), 0u);
    EXPECT_EQ(stream->Read(buffer, 3, &read), S_OK);
    EXPECT_EQ(read, 3u);
    EXPECT_EQ(buffer[2], 3);
    EXPECT_EQ(stream->Read(buffer, 5, &read), S_OK);
    EXPECT_EQ(buffer[4], 8);
    EXPECT_EQ(stream->Read(buffer, 1, &read), S_FALSE);
    EXPECT_EQ(stream->Revert(), S_OK);
    EXPECT_EQ(stream->getPosition(), 0u);
}

TEST_F(ResourceStreamTest, ReadLengthsThatWouldWrapAreRefused)
{
    uint8_t buffer[8] = {};
    ASSERT_EQ(seek(4, STREAM_SEEK_SET), S_OK);
    // 4 + 0xffffffff wraps to 3 in 32 bits, which would pass a 32-bit check.
    ULONG read = 99;
    EXPECT_EQ(stream->Read(buffer, 0xffffffffu, &read), S_FALSE);
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(stream->getPosition(), 4u);
    EXPECT_EQ(stream->Read(buffer, 0xfffffffdu, &read), S_FALSE);
}

TEST_F(ResourceStreamTest, SeekRules)
{
    uint64_t position = 0;
    EXPECT_EQ(seek(8, STREAM_SEEK_SET, &position), S_FALSE); // exactly the size
    EXPECT_EQ(position, 0u);
    EXPECT_EQ(seek(-1, STREAM_SEEK_SET), S_FALSE);
    EXPECT_EQ(seek(7, STREAM_SEEK_SET, &position), S_OK);
    EXPECT_EQ(position, 7u);
    EXPECT_EQ(seek(-8, STREAM_SEEK_CUR), S_FALSE); // below 0
    EXPECT_EQ(seek(1, STREAM_SEEK_CUR), S_FALSE);  // at the size
    EXPECT_EQ(seek(-3, STREAM_SEEK_CUR, &position), S_OK);
    EXPECT_EQ(position, 4u);
    // Offsets that would wrap a 32-bit or 64-bit position are refused.
    EXPECT_EQ(seek(0x100000000ll - 2, STREAM_SEEK_CUR), S_FALSE);
    EXPECT_EQ(seek(INT64_MAX, STREAM_SEEK_CUR), S_FALSE);
    EXPECT_EQ(seek(INT64_MIN, STREAM_SEEK_CUR), S_FALSE);
    EXPECT_EQ(seek(0x100000000ll + 1, STREAM_SEEK_SET), S_FALSE);
    EXPECT_EQ(stream->getPosition(), 4u);
    EXPECT_EQ(seek(0, STREAM_SEEK_END), S_FALSE);
    EXPECT_EQ(seek(0, 7), STG_E_INVALIDFUNCTION);
}

TEST_F(ResourceStreamTest, InterfaceAndStatistics)
{
    IStream* asStream = nullptr;
    ASSERT_EQ(stream->QueryInterface(IID_IStream, reinterpret_cast<void**>(&asStream)), S_OK);
    EXPECT_EQ(asStream, static_cast<IStream*>(stream));
    EXPECT_EQ(asStream->Release(), 1u);
    IUnknown* unknown = nullptr;
    EXPECT_EQ(stream->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    unknown->Release();
    ISequentialStream* sequential = nullptr;
    EXPECT_EQ(stream->QueryInterface(IID_ISequentialStream, reinterpret_cast<void**>(&sequential)),
              S_OK);
    sequential->Release();
    void* other = &other;
    EXPECT_EQ(stream->QueryInterface(IID_IStorage, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);

    STATSTG statistics;
    std::memset(&statistics, 0xab, sizeof(statistics));
    EXPECT_EQ(stream->Stat(&statistics, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(statistics.cbSize.QuadPart, 8u);
    EXPECT_EQ(statistics.pwcsName, nullptr);
    EXPECT_EQ(statistics.type, 0u);

    ULONG written = 0;
    EXPECT_EQ(stream->Write("x", 1, &written), E_NOTIMPL);
    IStream* clone = nullptr;
    EXPECT_EQ(stream->Clone(&clone), E_NOTIMPL);
}
