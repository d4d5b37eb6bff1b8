// The built plug-in's parameters (normalisation, quantisation, names, display texts), its
// program name and its state chunk, through the host interface.

#include "tests/plugin/BuiltPlugin.h"

#include <cmath>
#include <cstring>

namespace
{
float ChunkValue(const std::vector<uint8_t>& chunk, size_t offset)
{
    float value = 0.0f;
    std::memcpy(&value, chunk.data() + offset, sizeof value);
    return value;
}

void SetChunkValue(std::vector<uint8_t>& chunk, size_t offset, float value)
{
    std::memcpy(chunk.data() + offset, &value, sizeof value);
}

// Offset of slider `number` in the chunk (slider 1 at 4).
size_t SliderOffset(int number)
{
    return 4u * static_cast<size_t>(number);
}
} // namespace

TEST_F(BuiltPlugin, ParametersNamesAndDisplayTexts)
{
    CHostCallback host;
    CVstPlugin* p = make(host);
    ASSERT_NE(p, nullptr);
    const char* names[] = {"SC Filter",       "LF Filter", "Attack Mode", "Push Down [dB]",
                           "Pull Up [dB]",    "Recovery",  "Emphasis",    "Output [dB]",
                           "[Display Speed]", "Brake [dB]"};
    const char* displays[] = {"Off",   "Off",  "Zero", "0.00",  "0.00",
                              "-5.00", "0.00", "0.00", "10.00", "Off"};
    const float values[] = {0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.5f, 0.0f, 0.5f, 1.0f, 1.0f};
    for (int i = 0; i < 10; ++i)
    {
        SCOPED_TRACE(i);
        // Names are longer than the interface's 8 characters; they stay inside 64 bytes.
        bool overrun = true;
        EXPECT_EQ(p->text(effGetParamName, i, 64, &overrun), names[i]);
        EXPECT_FALSE(overrun);
        EXPECT_EQ(p->parameterLabel(i), "");
        EXPECT_EQ(p->parameterDisplay(i), displays[i]);
        EXPECT_EQ(p->getParameter(i), values[i]);
    }

    // Quantisation to the step, counted from 0.
    p->setParameter(1, 0.49f); // LF Filter: floor(8 * 0.49 + 0.5) = 4
    EXPECT_EQ(p->parameterDisplay(1), "100Hz");
    EXPECT_EQ(p->getParameter(1), 0.5f);
    // Exactly half-way between two steps (8 x 0.5625 = 4.5) rounds up; just below, down.
    p->setParameter(1, 0.5625f);
    EXPECT_EQ(p->getParameter(1), 0.625f);
    p->setParameter(1, std::nextafter(0.5625f, 0.0f));
    EXPECT_EQ(p->getParameter(1), 0.5f);
    p->setParameter(1, 1.0f);
    EXPECT_EQ(p->parameterDisplay(1), "500Hz");
    p->setParameter(2, 3.0f / 11.0f); // Attack Mode 3
    EXPECT_EQ(p->parameterDisplay(2), "1ms");
    p->setParameter(3, 0.5f); // Push Down: floor(-14.5) = -15
    EXPECT_EQ(p->parameterDisplay(3), "-15.00");
    EXPECT_EQ(p->getParameter(3), 0.5f);
    p->setParameter(7, 0.0f); // Output -20
    EXPECT_EQ(p->parameterDisplay(7), "-20.00");
    p->setParameter(8, 0.0f); // Display Speed: floor(10.5) * 0.1 = 1.0
    EXPECT_EQ(p->parameterDisplay(8), "1.00");
    p->setParameter(8, 1.0f);
    EXPECT_EQ(p->parameterDisplay(8), "10.00");
    p->setParameter(0, 0.6f); // SC Filter: floor(1.1) = 1
    EXPECT_EQ(p->parameterDisplay(0), "On");
    EXPECT_EQ(p->getParameter(0), 1.0f);
    // Values outside 0..1 are taken as the host gives them, not clamped.
    p->setParameter(4, 2.0f); // Pull Up 60
    EXPECT_EQ(p->parameterDisplay(4), "60.00");
    EXPECT_EQ(p->getParameter(4), 2.0f);
    p->setParameter(1, -1.0f); // LF Filter -8: below the first name, shown as the first
    EXPECT_EQ(p->parameterDisplay(1), "Off");
    // The Brake (-80..0 in steps of 1): a number below 0, "Off" at 0 only.
    p->setParameter(9, 0.375f); // -50
    EXPECT_EQ(p->parameterDisplay(9), "-50.00");
    p->setParameter(9, 79.0f / 80.0f);
    EXPECT_EQ(p->parameterDisplay(9), "-1.00");
    p->setParameter(9, 0.0f);
    EXPECT_EQ(p->parameterDisplay(9), "-80.00");
    p->setParameter(9, 1.0f);
    EXPECT_EQ(p->parameterDisplay(9), "Off");
}

TEST_F(BuiltPlugin, ProgramName)
{
    CHostCallback host;
    CVstPlugin* p = make(host);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->programName(), "QUAR2");
    // A name of any length is taken; it comes back cut to the interface's 24 bytes.
    p->setProgramName(std::string(300, 'x'));
    bool overrun = true;
    EXPECT_EQ(p->text(effGetProgramName, 0, 24, &overrun), std::string(23, 'x'));
    EXPECT_FALSE(overrun);
    p->setProgramName("Interview");
    EXPECT_EQ(p->programName(), "Interview");
    // The chunk does not carry it.
    const auto chunk = p->getChunk();
    p->setChunk(chunk);
    EXPECT_EQ(p->programName(), "Interview");
    // A host's program list: the one program by index, any category or category 0, cut like
    // effGetProgramName; no other index or category names a program, and its buffer stays.
    for (VstIntPtr category : {-1, 0})
    {
        char text[64] = "unchanged";
        EXPECT_EQ(p->dispatch(effGetProgramNameIndexed, 0, category, text), 1);
        EXPECT_STREQ(text, "Interview");
    }
    p->setProgramName(std::string(300, 'y'));
    char wide[64] = {};
    EXPECT_EQ(p->dispatch(effGetProgramNameIndexed, 0, -1, wide), 1);
    EXPECT_EQ(std::string(wide), std::string(23, 'y'));
    p->setProgramName("QUAR2");
    for (auto [index, category] :
         {std::pair<VstInt32, VstIntPtr>{1, -1}, {-1, -1}, {100000, 0}, {0, 1}, {0, -2}})
    {
        char text[64] = "unchanged";
        EXPECT_EQ(p->dispatch(effGetProgramNameIndexed, index, category, text), 0) << index;
        EXPECT_STREQ(text, "unchanged");
    }
    EXPECT_EQ(p->dispatch(effGetProgramNameIndexed, 0, -1, nullptr), 0);
}

TEST_F(BuiltPlugin, StateChunk)
{
    CHostCallback host;
    CVstPlugin* p = make(host);
    ASSERT_NE(p, nullptr);
    std::vector<uint8_t> chunk = p->getChunk();
    ASSERT_EQ(chunk.size(), 260u);
    const uint8_t marker[4] = {0x00, 0x00, 0x7A, 0xC4}; // -1000.0f, little-endian
    EXPECT_EQ(std::memcmp(chunk.data(), marker, 4), 0);
    const float defaults[] = {0, 0, 0, 0, 0, -5, 0, 0, 10}; // sliders 2..10
    for (int s = 1; s <= 64; ++s)
    {
        const float expected = s >= 2 && s <= 10 ? defaults[s - 2] : 0.0f;
        EXPECT_EQ(ChunkValue(chunk, SliderOffset(s)), expected) << "slider " << s;
    }
    EXPECT_EQ(p->getChunk(true), chunk); // the preset flag makes no difference

    p->setParameter(3, 0.5f);  // Push Down -15 (slider 5)
    p->setParameter(8, 0.37f); // Display Speed 4.3 (slider 10)
    chunk = p->getChunk();
    EXPECT_EQ(ChunkValue(chunk, SliderOffset(5)), -15.0f);
    EXPECT_EQ(ChunkValue(chunk, SliderOffset(10)), static_cast<float>(4.3));

    // Another instance takes the chunk over whole.
    CHostCallback host2;
    CVstPlugin* q = make(host2);
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q->setChunk(chunk), 260);
    for (int i = 0; i < 10; ++i)
    {
        EXPECT_EQ(q->getParameter(i), p->getParameter(i)) << i;
        EXPECT_EQ(q->parameterDisplay(i), p->parameterDisplay(i)) << i;
    }
    EXPECT_EQ(q->getChunk(), chunk);
    EXPECT_EQ(q->programName(), "QUAR2");

    // The Brake is slider 11 at offset 44. A chunk written before it existed holds 0 there and
    // loads with the Brake off; one with the Brake set carries it over.
    EXPECT_EQ(SliderOffset(11), 44u);
    p->setParameter(9, 0.375f); // -50
    std::vector<uint8_t> braked = p->getChunk();
    ASSERT_EQ(braked.size(), 260u);
    EXPECT_EQ(ChunkValue(braked, 44), -50.0f);
    EXPECT_EQ(q->setChunk(braked), 260);
    EXPECT_EQ(q->parameterDisplay(9), "-50.00");
    EXPECT_EQ(q->getChunk(), braked);
    EXPECT_EQ(q->setChunk(chunk), 260); // the older chunk: Off again
    EXPECT_EQ(q->parameterDisplay(9), "Off");
    p->setParameter(9, 1.0f);

    // Chunks without the marker, or too short for it, answer their size and change nothing.
    std::vector<uint8_t> wrongMarker = chunk;
    SetChunkValue(wrongMarker, 0, -999.0f);
    SetChunkValue(wrongMarker, SliderOffset(5), -1.0f);
    EXPECT_EQ(q->setChunk(wrongMarker), 260);
    EXPECT_EQ(q->setChunk(std::vector<uint8_t>(chunk.begin(), chunk.begin() + 3)), 3);
    EXPECT_EQ(q->setChunk({}), 0);
    EXPECT_EQ(q->getChunk(), chunk);

    // A short chunk loads what it has; slider 64 (missing from 259 bytes) keeps its value.
    std::vector<uint8_t> full = chunk;
    SetChunkValue(full, SliderOffset(64), 7.0f);
    EXPECT_EQ(q->setChunk(full), 260);
    std::vector<uint8_t> cut = chunk;
    SetChunkValue(cut, SliderOffset(5), -3.0f);
    cut.resize(259);
    EXPECT_EQ(q->setChunk(cut), 259);
    const auto after = q->getChunk();
    EXPECT_EQ(ChunkValue(after, SliderOffset(5)), -3.0f);
    EXPECT_EQ(ChunkValue(after, SliderOffset(64)), 7.0f);
    EXPECT_EQ(q->parameterDisplay(3), "-3.00");

    // A chunk at a null address with a size, and a chunk request without a place for the
    // pointer: safe answers, nothing changed.
    EXPECT_EQ(q->dispatch(effSetChunk, 0, 100, nullptr), 0);
    EXPECT_EQ(q->dispatch(effGetChunk, 0, 0, nullptr), 0);
    EXPECT_EQ(q->getChunk(), after);
}
