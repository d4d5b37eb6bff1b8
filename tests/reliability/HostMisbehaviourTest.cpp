// What hosts do that they should not: instances made and closed in quick succession, audio
// before effOpen and after suspend, absurd sample rates and block sizes, NaN and infinite
// samples from an upstream plug-in, chunks from another plug-in or from a damaged project.
// Everything goes through the built plug-in's entry point and dispatcher, as a host drives it;
// the one promise checked everywhere is that finite input gives finite output.

#include "tests/plugin/BuiltPlugin.h"
#include "tests/reliability/HostilePlugin.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace
{
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
} // namespace

TEST_F(BuiltPlugin, HundredCreateOpenCloseCycles)
{
    CHostCallback host;
    for (int cycle = 0; cycle < 100; ++cycle)
    {
        SCOPED_TRACE(cycle);
        std::string error;
        auto plugin = CVstPlugin::create(library.entry("VSTPluginMain"), host, error);
        ASSERT_NE(plugin, nullptr) << error;
        plugin->open();
        plugin->setSampleRate(48000.0f);
        plugin->setBlockSize(64);
        plugin->resume();
        if (cycle % 2 == 0)
        {
            TestBlock block(2, 64, 0.25f);
            plugin->processReplacing(block.in(), block.out(), 64);
            ASSERT_TRUE(block.outputFinite());
        }
        // Odd cycles close while resumed, without a suspend, as some hosts do.
        if (cycle % 2 == 0) plugin->suspend();
        plugin->close();
    }
}

TEST_F(BuiltPlugin, ProcessingBeforeOpenAndAfterSuspend)
{
    CHostCallback host;
    std::string error;
    auto plugin = CVstPlugin::create(library.entry("VSTPluginMain"), host, error);
    ASSERT_NE(plugin, nullptr) << error;
    TestBlock block(2, 256, 0.5f);
    // Neither opened nor given a rate: no crash, and what comes out is finite.
    plugin->processReplacing(block.in(), block.out(), 256);
    EXPECT_TRUE(block.outputFinite());
    TestBlockD doubles(2, 256, 0.5);
    plugin->processDoubleReplacing(doubles.in(), doubles.out(), 256);
    EXPECT_TRUE(doubles.outputFinite());

    plugin->open();
    plugin->processReplacing(block.in(), block.out(), 256); // opened, never resumed
    EXPECT_TRUE(block.outputFinite());
    plugin->setSampleRate(44100.0f);
    plugin->setBlockSize(256);
    plugin->resume();
    plugin->suspend();
    for (int i = 0; i < 8; ++i)
        plugin->processReplacing(block.in(), block.out(), 256);
    EXPECT_TRUE(block.outputFinite());
    // Suspended twice, resumed twice: still working.
    plugin->suspend();
    plugin->resume();
    plugin->resume();
    for (int i = 0; i < 8; ++i)
        plugin->processReplacing(block.in(), block.out(), 256);
    EXPECT_TRUE(block.outputFinite());
    EXPECT_GT(block.outputPeak(), 0.0f);
}

TEST_F(BuiltPlugin, SampleRatesFromAbsurdToHigh)
{
    CHostCallback host;
    const float rates[] = {8000.0f,  11025.0f,  22050.0f,  44100.0f,  48000.0f, 88200.0f,
                           96000.0f, 176400.0f, 192000.0f, 384000.0f, 0.0f,     -44100.0f,
                           kNaN,     kInf,      -kInf,     1.0f,      1e30f};
    for (float rate : rates)
    {
        SCOPED_TRACE(rate);
        CVstPlugin* p = make(host, "VSTPluginMain", rate, 512);
        ASSERT_NE(p, nullptr);
        TestBlock block(2, 512, 0.3f);
        for (int i = 0; i < 20; ++i)
        {
            block.fillSine(0.3f, i);
            p->processReplacing(block.in(), block.out(), 512);
            ASSERT_TRUE(block.outputFinite()) << "block " << i;
        }
        // The same instance, moved to a usable rate, levels again.
        p->suspend();
        p->setSampleRate(44100.0f);
        p->resume();
        for (int i = 0; i < 20; ++i)
        {
            block.fillSine(0.3f, i);
            p->processReplacing(block.in(), block.out(), 512);
            ASSERT_TRUE(block.outputFinite()) << "block " << i;
        }
        EXPECT_GT(block.outputPeak(), 0.01f);
        instances.clear();
    }
}

TEST_F(BuiltPlugin, BlockSizesIncludingLongerThanAnnounced)
{
    CHostCallback host;
    const VstInt32 announced[] = {1, 7, 4096, 0, -5, 64};
    for (VstInt32 size : announced)
    {
        SCOPED_TRACE(size);
        CVstPlugin* p = make(host, "VSTPluginMain", 44100.0f, size);
        ASSERT_NE(p, nullptr);
        // Blocks of the announced size and of other sizes, up to 64 times the announced one.
        for (VstInt32 frames : {1, 7, 0, 4096, 64, 8192})
        {
            TestBlock block(2, static_cast<size_t>(frames), 0.2f);
            for (int i = 0; i < 3; ++i)
                p->processReplacing(block.in(), block.out(), frames);
            ASSERT_TRUE(block.outputFinite()) << "frames " << frames;
            TestBlockD doubles(2, static_cast<size_t>(frames), 0.2);
            p->processDoubleReplacing(doubles.in(), doubles.out(), frames);
            ASSERT_TRUE(doubles.outputFinite()) << "frames " << frames;
        }
        // A negative frame count writes nothing.
        TestBlock block(2, 16, 0.2f);
        block.fillOutput(7.0f);
        p->processReplacing(block.in(), block.out(), -16);
        EXPECT_EQ(block.outputPeak(), 7.0f);
        instances.clear();
    }
}

TEST_F(BuiltPlugin, InPlaceAndSeparateBuffersGiveTheSameAudio)
{
    CHostCallback hostA;
    CHostCallback hostB;
    CVstPlugin* separate = make(hostA, "VSTPluginMain", 44100.0f, 300);
    CVstPlugin* inPlace = make(hostB, "VSTPluginMain", 44100.0f, 300);
    ASSERT_NE(separate, nullptr);
    ASSERT_NE(inPlace, nullptr);
    for (int i = 0; i < 40; ++i)
    {
        TestBlock a(2, 300, 0.0f);
        a.fillSine(i % 5 == 0 ? 0.9f : 0.05f, i);
        TestBlock b = a;
        separate->processReplacing(a.in(), a.out(), 300);
        inPlace->processReplacing(b.in(), b.in(), 300); // outputs are the inputs
        for (size_t c = 0; c < 2; ++c)
            ASSERT_EQ(std::memcmp(a.output(c), b.input(c), 300 * sizeof(float)), 0) << i;
    }
}

TEST_F(BuiltPlugin, NonFiniteAndDenormalInputThenNormalInputRecovers)
{
    CHostCallback host;
    CVstPlugin* p = make(host, "VSTPluginMain", 44100.0f, 256);
    ASSERT_NE(p, nullptr);
    const float denormal = std::numeric_limits<float>::denorm_min() * 77.0f;
    const float bad[] = {kNaN, kInf, -kInf, denormal, -denormal, 3e38f};
    for (float value : bad)
    {
        SCOPED_TRACE(value);
        TestBlock block(2, 256, 0.0f);
        block.fillConstant(value);
        // Bad samples never come out: they leave as silence.
        for (int i = 0; i < 4; ++i)
        {
            p->processReplacing(block.in(), block.out(), 256);
            ASSERT_TRUE(block.outputFinite());
        }
        // One channel bad, the other normal.
        block.fillSine(0.5f, 1);
        for (size_t f = 0; f < 256; f += 3)
            block.input(1)[f] = value;
        p->processReplacing(block.in(), block.out(), 256);
        ASSERT_TRUE(block.outputFinite());
        // Normal input: the effect levels again. After a near-float-maximum burst the level
        // followers take many seconds to fall back (the gain stays down meanwhile), so only
        // the non-finite and subnormal inputs are held to audible output here.
        for (int i = 0; i < 40; ++i)
        {
            block.fillSine(0.5f, i);
            p->processReplacing(block.in(), block.out(), 256);
            ASSERT_TRUE(block.outputFinite()) << "block " << i;
        }
        if (std::fabs(value) < 1e30f)
        {
            EXPECT_GT(block.outputPeak(), 0.01f);
        }
        TestBlockD doubles(2, 256, 0.0);
        doubles.fillConstant(static_cast<double>(value));
        p->processDoubleReplacing(doubles.in(), doubles.out(), 256);
        ASSERT_TRUE(doubles.outputFinite());
        for (int i = 0; i < 4; ++i)
        {
            doubles.fillSine(0.5, i);
            p->processDoubleReplacing(doubles.in(), doubles.out(), 256);
            ASSERT_TRUE(doubles.outputFinite()) << "block " << i;
        }
    }
}
