// Program file (.fxp) reading and writing: the exact byte layout other hosts exchange, and
// rejection of every malformed file without touching the output.

#include "host/cli/FxpPreset.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace
{

FxpProgram chunkProgram()
{
    FxpProgram p;
    p.isChunk = true;
    p.uniqueId = 0x51554152; // "QUAR"
    p.pluginVersion = 1;
    p.name = "Voice";
    for (int i = 0; i < 260; ++i)
        p.chunk.push_back(uint8_t(i * 7));
    return p;
}

uint32_t be32(const std::vector<uint8_t>& b, size_t at)
{
    return (uint32_t(b[at]) << 24) | (uint32_t(b[at + 1]) << 16) | (uint32_t(b[at + 2]) << 8) |
           b[at + 3];
}

void putBe32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    b[at] = uint8_t(v >> 24);
    b[at + 1] = uint8_t(v >> 16);
    b[at + 2] = uint8_t(v >> 8);
    b[at + 3] = uint8_t(v);
}

} // namespace

TEST(FxpPreset, ChunkProgramHasTheExchangedByteLayoutAndRoundTrips)
{
    const FxpProgram p = chunkProgram();
    const std::vector<uint8_t> bytes = buildFxp(p);
    ASSERT_EQ(bytes.size(), 60u + 260u);
    EXPECT_EQ(std::memcmp(bytes.data(), "CcnK", 4), 0);
    EXPECT_EQ(be32(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(std::memcmp(bytes.data() + 8, "FPCh", 4), 0);
    EXPECT_EQ(be32(bytes, 12), 1u);          // format version
    EXPECT_EQ(be32(bytes, 16), 0x51554152u); // unique id, big-endian "QUAR"
    EXPECT_EQ(std::memcmp(bytes.data() + 16, "QUAR", 4), 0);
    EXPECT_EQ(be32(bytes, 20), 1u); // plug-in version
    EXPECT_EQ(be32(bytes, 24), 1u); // one program
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data() + 28)), "Voice");
    for (size_t i = 28 + 5; i < 56; ++i)
        EXPECT_EQ(bytes[i], 0) << "name padding at " << i;
    EXPECT_EQ(be32(bytes, 56), 260u);
    EXPECT_EQ(std::memcmp(bytes.data() + 60, p.chunk.data(), 260), 0);

    FxpProgram back;
    std::string error;
    ASSERT_TRUE(parseFxp(bytes.data(), bytes.size(), back, error)) << error;
    EXPECT_TRUE(back.isChunk);
    EXPECT_EQ(back.uniqueId, p.uniqueId);
    EXPECT_EQ(back.pluginVersion, 1);
    EXPECT_EQ(back.name, "Voice");
    EXPECT_EQ(back.chunk, p.chunk);
}

TEST(FxpPreset, ParameterProgramRoundTripsAndLongNamesAreCutToFit)
{
    FxpProgram p;
    p.isChunk = false;
    p.uniqueId = 0x5A435032;
    p.name = std::string(40, 'n');
    p.params = {0.0f, 0.25f, 1.0f};
    const std::vector<uint8_t> bytes = buildFxp(p);
    ASSERT_EQ(bytes.size(), 56u + 12u);
    EXPECT_EQ(std::memcmp(bytes.data() + 8, "FxCk", 4), 0);
    EXPECT_EQ(be32(bytes, 24), 3u);
    EXPECT_EQ(be32(bytes, 60), 0x3E800000u); // 0.25f, big-endian
    EXPECT_EQ(bytes[55], 0);                 // the name keeps a terminator
    FxpProgram back;
    std::string error;
    ASSERT_TRUE(parseFxp(bytes.data(), bytes.size(), back, error)) << error;
    EXPECT_FALSE(back.isChunk);
    EXPECT_EQ(back.params, p.params);
    EXPECT_EQ(back.name, std::string(27, 'n'));
}

TEST(FxpPreset, EveryTruncationAndExtensionIsRejectedWithoutTouchingTheOutput)
{
    const std::vector<uint8_t> bytes = buildFxp(chunkProgram());
    FxpProgram untouched;
    untouched.name = "unchanged";
    for (size_t n = 0; n < bytes.size(); ++n)
    {
        FxpProgram out = untouched;
        std::string error;
        EXPECT_FALSE(parseFxp(bytes.data(), n, out, error)) << "length " << n;
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(out.name, "unchanged");
    }
    std::vector<uint8_t> longer = bytes;
    longer.push_back(0);
    FxpProgram out;
    std::string error;
    EXPECT_FALSE(parseFxp(longer.data(), longer.size(), out, error));
    // A cut file whose size fields are still the original ones says it is truncated.
    EXPECT_FALSE(parseFxp(bytes.data(), bytes.size() - 10, out, error));
    EXPECT_NE(error.find("truncated"), std::string::npos) << error;
}

TEST(FxpPreset, EachBadFieldGetsItsOwnMessage)
{
    const std::vector<uint8_t> good = buildFxp(chunkProgram());
    struct Case
    {
        size_t offset;
        uint32_t value;
        const char* expect;
    } cases[] = {
        {0, 0x43636E4Bu + 1, "CcnK"},       // magic
        {4, uint32_t(good.size()), "size"}, // byte size too large
        {4, 20, "size"},                    // byte size too small
        {8, 0x46427043u, "FBpC"},           // a bank, not a program
        {12, 2, "version 2"},               // format version
        {24, 2, "2"},                       // two programs in a chunk file
        {56, 261, "chunk size"},            // chunk longer than the file
        {56, 0xFFFFFFFFu, "chunk size"},    // absurd chunk size
    };
    for (const Case& c : cases)
    {
        std::vector<uint8_t> bad = good;
        putBe32(bad, c.offset, c.value);
        FxpProgram out;
        std::string error;
        EXPECT_FALSE(parseFxp(bad.data(), bad.size(), out, error)) << "offset " << c.offset;
        EXPECT_NE(error.find(c.expect), std::string::npos) << error;
    }
    // Parameter files: a value outside 0..1 or a count that does not match the bytes.
    FxpProgram params;
    params.isChunk = false;
    params.params = {0.5f, 0.5f};
    std::vector<uint8_t> bad = buildFxp(params);
    putBe32(bad, 56, 0x7FC00000u); // NaN
    FxpProgram out;
    std::string error;
    EXPECT_FALSE(parseFxp(bad.data(), bad.size(), out, error));
    bad = buildFxp(params);
    putBe32(bad, 24, 3);
    EXPECT_FALSE(parseFxp(bad.data(), bad.size(), out, error));
    EXPECT_FALSE(parseFxp(nullptr, 0, out, error));
}

TEST(FxpPreset, FilesAreWrittenWholeAndErrorsNameTheFile)
{
    char dir[] = "/tmp/quar2-fxp-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/p.fxp";
    std::string error;
    ASSERT_TRUE(writeFxpFile(path, chunkProgram(), error)) << error;
    FxpProgram back;
    ASSERT_TRUE(readFxpFile(path, back, error)) << error;
    EXPECT_EQ(back.chunk, chunkProgram().chunk);

    EXPECT_FALSE(readFxpFile(std::string(dir) + "/missing.fxp", back, error));
    EXPECT_NE(error.find("missing.fxp"), std::string::npos);
    EXPECT_FALSE(writeFxpFile(std::string(dir) + "/no/such/folder.fxp", chunkProgram(), error));
    EXPECT_NE(error.find("folder.fxp"), std::string::npos);

    std::remove(path.c_str());
    EXPECT_EQ(rmdir(dir), 0) << "a temporary file was left behind";
}
