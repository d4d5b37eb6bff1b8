// Our host against independent implementations of the interface: two Linux VST 2.4 plug-ins
// from Debian (zam-plugins' ZamCompX2 and lsp-plugins' stereo compressor). If the host read a
// field at the wrong offset, called with the wrong signature or passed a wrong buffer layout,
// the names, parameter values and audio below would come out wrong.

#include "host/lib/VstPlugin.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace
{
const char* kZamComp = "/usr/lib/vst/ZamCompX2-vst.so";
const char* kLspComp = "/usr/lib/vst/lsp-plugins/compressor-stereo.so";
constexpr double kPi = 3.14159265358979323846;

// One second of a 440 Hz sine at 48 kHz, `left` and `right` peak amplitudes.
std::vector<std::vector<float>> sine(float left, float right, size_t channels = 2)
{
    std::vector<std::vector<float>> signal(channels, std::vector<float>(48000, 0.0f));
    for (size_t i = 0; i < 48000; ++i)
    {
        const float s = static_cast<float>(std::sin(2.0 * kPi * 440.0 * i / 48000.0));
        signal[0][i] = left * s;
        signal[1][i] = right * s;
    }
    return signal;
}

struct Loaded
{
    CVstLibrary library;
    CHostCallback host;
    std::unique_ptr<CVstPlugin> plugin;
    std::string entryName;

    explicit Loaded(const char* path)
    {
        if (!library.open(path)) return;
        std::string error;
        plugin = CVstPlugin::create(library.findEntry(&entryName), host, error);
        if (!plugin) return;
        plugin->open();
        plugin->setSampleRate(48000.0f);
        plugin->setBlockSize(256);
    }
    ~Loaded() { plugin.reset(); } // effClose before the library goes
};
} // namespace

TEST(ThirdPartyPlugin, ZamCompX2)
{
    ASSERT_TRUE(std::filesystem::exists(kZamComp)) << "install zam-plugins";
    Loaded zam(kZamComp);
    ASSERT_TRUE(zam.plugin) << zam.library.error();
    CVstPlugin& p = *zam.plugin;
    EXPECT_EQ(zam.entryName, "main"); // it exports only the old name
    EXPECT_EQ(zam.host.count(audioMasterVersion), 1);

    const AEffect* e = p.effect();
    EXPECT_EQ(e->uniqueID, 0x5A435032); // "ZCP2"
    EXPECT_EQ(e->numParams, 9);
    EXPECT_EQ(e->numInputs, 3); // stereo plus side-chain
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->flags & effFlagsCanReplacing, effFlagsCanReplacing);
    EXPECT_EQ(p.effectName(), "ZamCompX2");
    EXPECT_EQ(p.vendorString(), "Damien Zammit");
    EXPECT_EQ(p.vstVersion(), 2400);

    const char* names[] = {"Attack", "Release", "Knee", "Ratio", "Threshold", "Makeup"};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(p.parameterName(i), names[i]);
    EXPECT_EQ(p.parameterLabel(4), "dB");
    EXPECT_EQ(p.getParameter(4), 1.0f); // threshold at the top of its range: 0 dB

    // Below the threshold the compressor passes the audio, times the makeup gain.
    p.setParameter(5, 0.2f);
    EXPECT_FLOAT_EQ(p.getParameter(5), 0.2f);
    EXPECT_EQ(std::atof(p.parameterDisplay(5).c_str()), 6.0);
    p.resume();
    auto in = sine(0.1f, 0.05f, 3);
    auto out = p.processFloat(in);
    ASSERT_EQ(out.size(), 2u);
    const double makeup = std::pow(10.0, 6.0 / 20.0);
    for (size_t i = 0; i < 48000; i += 97)
    {
        ASSERT_NEAR(out[0][i], in[0][i] * makeup, 1e-5) << "frame " << i;
        ASSERT_NEAR(out[1][i], in[1][i] * makeup, 1e-5) << "frame " << i;
    }
    // The transport moved by what was processed.
    EXPECT_EQ(zam.host.samplePosition(), 48000.0);

    // With the threshold at the bottom of its range the same tone is pressed down hard.
    p.setParameter(4, 0.0f);
    EXPECT_EQ(std::atof(p.parameterDisplay(4).c_str()), -80.0);
    out = p.processFloat(in);
    float peak = 0.0f;
    for (size_t i = 24000; i < 48000; ++i)
        peak = std::max(peak, std::fabs(out[0][i]));
    EXPECT_LT(peak, 0.02f);
    EXPECT_GT(peak, 0.0f);
    p.suspend();
}

TEST(ThirdPartyPlugin, LspCompressorStereo)
{
    ASSERT_TRUE(std::filesystem::exists(kLspComp)) << "install lsp-plugins-vst";
    Loaded lsp(kLspComp);
    ASSERT_TRUE(lsp.plugin) << lsp.library.error();
    CVstPlugin& p = *lsp.plugin;
    EXPECT_EQ(lsp.entryName, "VSTPluginMain");
    const AEffect* e = p.effect();
    EXPECT_EQ(e->numInputs, 2);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->flags & effFlagsProgramChunks, effFlagsProgramChunks);
    EXPECT_EQ(p.effectName(), "Compressor Stereo");
    EXPECT_EQ(p.vendorString(), "LSP VST");
    ASSERT_GE(p.numParams(), 3);
    EXPECT_EQ(p.parameterName(0), "bypass");
    EXPECT_EQ(p.parameterName(2), "g_out");
    EXPECT_EQ(p.parameterLabel(2), "dB");
    EXPECT_EQ(p.parameterDisplay(0), "off");

    p.resume();
    auto in = sine(0.5f, 0.25f);
    // Its defaults compress a loud tone.
    auto out = p.processFloat(in);
    float peak = 0.0f;
    for (size_t i = 24000; i < 48000; ++i)
        peak = std::max(peak, std::fabs(out[0][i]));
    EXPECT_LT(peak, 0.48f);
    EXPECT_GT(peak, 0.3f);
    // Bypassed, the audio passes bit for bit.
    p.setParameter(0, 1.0f);
    EXPECT_EQ(p.parameterDisplay(0), "on");
    out = p.processFloat(in);
    for (size_t i = 24000; i < 48000; i += 13)
        ASSERT_EQ(out[1][i], in[1][i]) << "frame " << i;
    // The plug-in asked for the transport, which our callback answered.
    EXPECT_GT(lsp.host.count(audioMasterGetTime), 0);
    // Its state chunk comes back whole.
    EXPECT_FALSE(p.getChunk().empty());
    p.suspend();
}
