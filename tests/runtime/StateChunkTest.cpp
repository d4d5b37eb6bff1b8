// State chunks out and in through file slot 0, with a script whose serialize hook stores sliders
// 1 to 64 like the leveller's.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "runtime/Xlat.h"

namespace
{

class ChunkScript : public TXlat
{
  public:
    void DoInit() override { ++inits; }
    void DoSlider() override { ++sliderRuns; }
    void DoSerialize() override
    {
        ++serializeRuns;
        for (int i = 1; i <= 64; ++i)
            FileVar(0, sliders[static_cast<size_t>(i % 128)]);
    }
    int inits = 0, sliderRuns = 0, serializeRuns = 0;
};

std::vector<unsigned char> Bytes(const void* data, int32_t size)
{
    const auto* p = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(p, p + size);
}

std::vector<unsigned char> FloatBytes(const std::vector<float>& values)
{
    std::vector<unsigned char> out(values.size() * 4);
    std::memcpy(out.data(), values.data(), out.size());
    return out;
}

} // namespace

TEST(StateChunk, OutHoldsTheMarkerAndEveryWrittenValue)
{
    ChunkScript s;
    s.sliders[2] = 1;
    s.sliders[7] = -5;
    s.sliders[10] = 0.1; // stored at float precision
    s.sliders[64] = 3;
    void* data = nullptr;
    ASSERT_EQ(s.GetState(&data), 260);
    ASSERT_NE(data, nullptr);
    const std::vector<unsigned char> bytes = Bytes(data, 260);
    EXPECT_EQ((std::vector<unsigned char>(bytes.begin(), bytes.begin() + 4)),
              (std::vector<unsigned char>{0x00, 0x00, 0x7A, 0xC4}));
    float values[65];
    std::memcpy(values, data, sizeof values);
    EXPECT_EQ(values[0], -1000.0f);
    EXPECT_EQ(values[1], 0.0f);
    EXPECT_EQ(values[2], 1.0f);
    EXPECT_EQ(values[7], -5.0f);
    EXPECT_EQ(values[10], 0.1f);
    EXPECT_EQ(values[64], 3.0f);
    EXPECT_EQ(s.FileMode(0), FileSlot::kWrite);
    EXPECT_EQ(s.inits, 0);
    EXPECT_EQ(s.sliderRuns, 0);

    // A second call makes the same chunk again, not one appended to the first.
    EXPECT_EQ(s.GetState(&data), 260);
}

TEST(StateChunk, ScriptWithoutSerializeAnswersNothing)
{
    TXlat rt;
    void* data = &rt;
    EXPECT_EQ(rt.GetState(&data), 0);
    EXPECT_EQ(data, &rt);
    EXPECT_EQ(rt.GetState(nullptr), 0);
    ChunkScript s;
    EXPECT_EQ(s.GetState(nullptr), 260); // a null out-pointer is tolerated
}

TEST(StateChunk, RoundTripRestoresValuesAndRunsInitOnlyOnce)
{
    ChunkScript source;
    for (int i = 1; i <= 64; ++i)
        source.sliders[static_cast<size_t>(i)] = i * 0.5 - 3;
    void* data = nullptr;
    const int32_t size = source.GetState(&data);
    const std::vector<unsigned char> chunk = Bytes(data, size);

    ChunkScript target;
    EXPECT_EQ(target.SetState(chunk.data(), size), size);
    for (int i = 1; i <= 64; ++i)
        EXPECT_EQ(target.sliders[static_cast<size_t>(i)], i * 0.5 - 3) << i;
    EXPECT_EQ(target.inits, 1);
    EXPECT_EQ(target.sliderRuns, 1);
    EXPECT_EQ(target.initCount, 1);
    EXPECT_EQ(target.FileMode(0), FileSlot::kRead);

    EXPECT_EQ(target.SetState(chunk.data(), size), size);
    EXPECT_EQ(target.inits, 1); // DoEnsureInit ran the init hook only the first time
    EXPECT_EQ(target.initCount, 2);
    EXPECT_EQ(target.sliderRuns, 2);

    // Writing after reading starts a fresh chunk with the same content.
    void* again = nullptr;
    ASSERT_EQ(target.GetState(&again), size);
    EXPECT_EQ(Bytes(again, size), chunk);
}

TEST(StateChunk, ShortGarbageAndMarkerlessChunksChangeNothing)
{
    ChunkScript s;
    s.sliders[5] = 4;
    const std::vector<unsigned char> marker = FloatBytes({-1000.0f, 9.0f});
    const std::vector<unsigned char> wrongMarker =
        FloatBytes({-999.0f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f});
    const std::vector<unsigned char> noMarker = FloatBytes({0.0f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f});
    std::vector<unsigned char> garbage(64);
    for (size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<unsigned char>(i * 37 + 11);

    EXPECT_EQ(s.SetState(marker.data(), 2), 2);
    EXPECT_EQ(s.SetState(marker.data(), 3), 3);
    EXPECT_EQ(s.SetState(marker.data(), 0), 0);
    EXPECT_EQ(s.SetState(marker.data(), -8), -8);
    EXPECT_EQ(s.SetState(nullptr, 260), 260);
    EXPECT_EQ(s.SetState(wrongMarker.data(), 24), 24);
    EXPECT_EQ(s.SetState(noMarker.data(), 24), 24);
    EXPECT_EQ(s.SetState(garbage.data(), 64), 64);
    EXPECT_EQ(s.sliders[5], 4.0);
    EXPECT_EQ(s.sliders[1], 0.0);
    EXPECT_EQ(s.inits + s.sliderRuns + s.serializeRuns, 0);
    EXPECT_EQ(s.initCount, 0);
}

TEST(StateChunk, ShortChunkLoadsWhatIsThereAndKeepsTheRest)
{
    ChunkScript source;
    for (int i = 1; i <= 64; ++i)
        source.sliders[static_cast<size_t>(i)] = i;
    void* data = nullptr;
    const std::vector<unsigned char> chunk = Bytes(data, source.GetState(&data));

    ChunkScript target;
    target.sliders[63] = -1;
    target.sliders[64] = -2;
    // 259 bytes: the marker and 63 whole values; the trailing 3 bytes are ignored.
    EXPECT_EQ(target.SetState(chunk.data(), 259), 259);
    EXPECT_EQ(target.sliders[62], 62.0);
    EXPECT_EQ(target.sliders[63], 63.0);
    EXPECT_EQ(target.sliders[64], -2.0);
    EXPECT_EQ(target.FileLength(0), 64);

    // Only the marker: hooks run, every value stays.
    EXPECT_EQ(target.SetState(chunk.data(), 4), 4);
    EXPECT_EQ(target.sliders[1], 1.0);
    EXPECT_EQ(target.sliderRuns, 2);

    // Extra values beyond what the hook reads are ignored.
    std::vector<unsigned char> longer = chunk;
    longer.resize(chunk.size() + 40, 0x7F);
    EXPECT_EQ(target.SetState(longer.data(), static_cast<int32_t>(longer.size())),
              static_cast<int32_t>(longer.size()));
    EXPECT_EQ(target.sliders[64], 64.0);
}
