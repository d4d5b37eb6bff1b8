// End-to-end tests of quar2-host's presets: saving and loading the chunk as a program file,
// and refusing whole the files of other plug-ins and damaged ones.

#include "CliCommandSupport.h"

#include "host/cli/FxpPreset.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TEST(CliPresets, SaveAndLoadRoundTripTheChunk)
{
    CScratchDir dir;
    ASSERT_TRUE(WriteAudio(dir.path("in.wav"), impulse(1000, 300)));
    RunResult r =
        RunHost({"process", kPlugin, dir.path("in.wav"), dir.path("a.wav"), "--set", "Gain [dB]=12",
                 "--set", "Mode=Hard", "--save-preset", dir.path("a.fxp")});
    ASSERT_EQ(r.status, 0) << r.err;
    FxpProgram a;
    std::string error;
    ASSERT_TRUE(readFxpFile(dir.path("a.fxp"), a, error)) << error;
    EXPECT_TRUE(a.isChunk);
    EXPECT_EQ(fourCCText(a.uniqueId), "QHTD");
    EXPECT_EQ(a.pluginVersion, 3);
    EXPECT_EQ(a.name, "Init");
    ASSERT_EQ(a.chunk.size(), 12u);
    float gain;
    std::memcpy(&gain, a.chunk.data() + 4, 4);
    EXPECT_NEAR(gain * 48.0f - 24.0f, 12.0f, 0.5f);

    // Loading it and saving again gives the identical file, and the same audio.
    r = RunHost({"process", kPlugin, dir.path("in.wav"), dir.path("b.wav"), "--preset",
                 dir.path("a.fxp"), "--save-preset", dir.path("b.fxp")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(dir.path("a.fxp")), ReadBytes(dir.path("b.fxp")));
    // (Samples, not bytes: float WAV files carry the time they were written.)
    Audio a1, b1;
    ASSERT_TRUE(ReadAudio(dir.path("a.wav"), a1));
    ASSERT_TRUE(ReadAudio(dir.path("b.wav"), b1));
    EXPECT_EQ(a1.samples, b1.samples);
    EXPECT_NEAR(a1.samples[2 * 300], 0.5 * std::pow(10.0, 12.0 / 20.0), 1e-5);

    // Third-party presets: LSP keeps a chunk, Zam a parameter list.
    r = RunHost({"process", kZam, dir.path("in.wav"), dir.path("z.wav"), "--set", "Ratio=8",
                 "--save-preset", dir.path("z.fxp")});
    ASSERT_EQ(r.status, 0) << r.err;
    r = RunHost({"process", kZam, dir.path("in.wav"), dir.path("z.wav"), "--preset",
                 dir.path("z.fxp"), "--save-preset", dir.path("z2.fxp")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(dir.path("z.fxp")), ReadBytes(dir.path("z2.fxp")));
    r = RunHost({"process", kLsp, dir.path("in.wav"), dir.path("l.wav"), "--save-preset",
                 dir.path("l.fxp")});
    ASSERT_EQ(r.status, 0) << r.err;
    r = RunHost(
        {"process", kLsp, dir.path("in.wav"), dir.path("l.wav"), "--preset", dir.path("l.fxp")});
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST(CliPresets, PresetsForOtherPluginsAndDamagedFilesAreRejectedWhole)
{
    CScratchDir dir;
    ASSERT_TRUE(WriteAudio(dir.path("in.wav"), impulse(1000, 300)));
    const std::string in = dir.path("in.wav");
    const std::string out = dir.path("out.wav");
    ASSERT_EQ(RunHost({"process", kZam, in, out, "--save-preset", dir.path("zam.fxp")}).status, 0);
    ASSERT_EQ(RunHost({"process", kPlugin, in, out, "--save-preset", dir.path("own.fxp")}).status,
              0);
    std::remove(out.c_str());

    expectOneLineFailure(RunHost({"process", kPlugin, in, out, "--preset", dir.path("zam.fxp")}),
                         "the preset is for another plug-in (unique id \"ZCP2\", this plug-in is "
                         "\"QHTD\")");
    // Same id, wrong kind: a chunk preset for a plug-in without chunks.
    FxpProgram own;
    std::string error;
    ASSERT_TRUE(readFxpFile(dir.path("own.fxp"), own, error));
    own.uniqueId = 0x5A435032;
    ASSERT_TRUE(writeFxpFile(dir.path("fake-zam.fxp"), own, error));
    expectOneLineFailure(RunHost({"process", kZam, in, out, "--preset", dir.path("fake-zam.fxp")}),
                         "does not keep its programs as chunks");

    std::vector<unsigned char> bytes = ReadBytes(dir.path("own.fxp"));
    bytes.resize(bytes.size() - 3);
    WriteBytes(dir.path("cut.fxp"), bytes);
    expectOneLineFailure(RunHost({"process", kPlugin, in, out, "--preset", dir.path("cut.fxp")}),
                         "cut.fxp: the size field says");
    WriteBytes(dir.path("empty.fxp"), {});
    expectOneLineFailure(RunHost({"process", kPlugin, in, out, "--preset", dir.path("empty.fxp")}),
                         "not a VST program file");
    expectOneLineFailure(RunHost({"process", kPlugin, in, out, "--preset", dir.path("none.fxp")}),
                         "none.fxp");
    for (const std::string& e : dir.entries())
        EXPECT_EQ(e.find("out.wav"), std::string::npos) << "output written despite a bad preset";
}
