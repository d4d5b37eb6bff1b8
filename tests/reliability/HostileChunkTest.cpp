// Chunks a host may hand over: another plug-in's preset, cut or garbage bytes of every size,
// and chunks with the right marker whose values are NaN, infinite or far outside every range.
// After each the plug-in must keep answering (parameters, display texts, its own chunk) and
// keep finite input finite, in both sample formats.

#include "tests/plugin/BuiltPlugin.h"
#include "tests/reliability/HostilePlugin.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace
{
constexpr float kMarker = -1000.0f;

// After a chunk: every entry answers, the display texts stay inside their buffers, the chunk
// comes back, and a second of speech-level audio comes out finite.
void ExpectUsable(CVstPlugin& p)
{
    for (VstInt32 i = 0; i < p.numParams(); ++i)
    {
        SCOPED_TRACE(i);
        (void)p.getParameter(i);
        bool overrun = true;
        (void)p.text(effGetParamDisplay, i, 64, &overrun);
        EXPECT_FALSE(overrun);
        (void)p.text(effGetParamName, i, 64, &overrun);
        EXPECT_FALSE(overrun);
    }
    const std::vector<uint8_t> own = p.getChunk();
    EXPECT_GE(own.size(), 4u);
    TestBlock block(2, 512, 0.5f);
    TestBlockD doubles(2, 512, 0.5);
    for (int i = 0; i < 30; ++i)
    {
        block.fillSine(i % 3 ? 0.5f : 0.001f, i);
        p.processReplacing(block.in(), block.out(), 512);
        ASSERT_TRUE(block.outputFinite()) << "float block " << i;
        doubles.fillSine(i % 3 ? 0.5 : 0.001, i);
        p.processDoubleReplacing(doubles.in(), doubles.out(), 512);
        ASSERT_TRUE(doubles.outputFinite()) << "double block " << i;
    }
}

std::vector<uint8_t> MarkedChunk(const std::vector<float>& sliders)
{
    std::vector<float> values{kMarker};
    values.insert(values.end(), sliders.begin(), sliders.end());
    std::vector<uint8_t> bytes(values.size() * sizeof(float));
    std::memcpy(bytes.data(), values.data(), bytes.size());
    return bytes;
}
} // namespace

TEST_F(BuiltPlugin, GarbageChunksOfEverySize)
{
    CHostCallback host;
    CVstPlugin* p = make(host, "VSTPluginMain", 44100.0f, 512);
    ASSERT_NE(p, nullptr);
    std::mt19937 random(2026);
    for (size_t size = 0; size <= 600; size += (size < 300 ? 1 : 37))
    {
        SCOPED_TRACE(size);
        std::vector<uint8_t> bytes(size);
        for (auto& b : bytes)
            b = static_cast<uint8_t>(random());
        // Every other chunk carries the marker, so that the values are actually read.
        if (size >= 4 && size % 2 == 0) std::memcpy(bytes.data(), &kMarker, 4);
        EXPECT_EQ(p->setChunk(bytes), static_cast<VstIntPtr>(size));
        if (size % 25 == 0 || size == 260) ExpectUsable(*p);
    }
    ExpectUsable(*p);
}

TEST_F(BuiltPlugin, ChunksOfNonFiniteAndHugeValues)
{
    const float huge = std::numeric_limits<float>::max();
    const float patterns[] = {std::numeric_limits<float>::quiet_NaN(),
                              std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity(),
                              huge,
                              -huge,
                              1000.0f,
                              -1000.0f,
                              1e6f,
                              std::numeric_limits<float>::denorm_min()};
    for (float value : patterns)
    {
        SCOPED_TRACE(value);
        CHostCallback host;
        CVstPlugin* p = make(host, "VSTPluginMain", 44100.0f, 512);
        ASSERT_NE(p, nullptr);
        ASSERT_EQ(p->setChunk(MarkedChunk(std::vector<float>(64, value))), 260);
        ExpectUsable(*p);
        // One slider at a time, the others at their defaults.
        for (size_t slider = 0; slider < 10; ++slider)
        {
            SCOPED_TRACE(slider + 1);
            CVstPlugin* q = make(host, "VSTPluginMain", 44100.0f, 512);
            ASSERT_NE(q, nullptr);
            std::vector<uint8_t> chunk = q->getChunk();
            ASSERT_EQ(chunk.size(), 260u);
            std::memcpy(chunk.data() + 4 * (slider + 1), &value, 4);
            q->setChunk(chunk);
            ExpectUsable(*q);
        }
        instances.clear();
    }
}
