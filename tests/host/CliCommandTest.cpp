// End-to-end tests of quar2-host's commands: the real program on small generated files, with a
// test plug-in of known behaviour (a 100-frame delay with a gain) and Debian's third-party
// VST 2.4 plug-ins.

#include "CliTestSupport.h"

#include "host/cli/FxpPreset.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <pty.h>
#include <regex>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

const std::string kPlugin = QUAR2_TEST_PLUGIN;
const std::string kNullPlugin = QUAR2_NULL_PLUGIN;
const std::string kZam = "/usr/lib/vst/ZamCompX2-vst.so";
const std::string kLsp = "/usr/lib/vst/lsp-plugins/compressor-stereo.so";
constexpr int kTestDelay = 100; // the test plug-in's latency

// A stereo float file with one impulse of `height` at `at` (left) and half of it (right).
Audio impulse(long long frames, long long at, float height = 0.5f)
{
    Audio a;
    a.samples.assign(size_t(frames * 2), 0.0f);
    a.samples[size_t(at * 2)] = height;
    a.samples[size_t(at * 2 + 1)] = height / 2;
    return a;
}

long long peakFrame(const Audio& a, int channel = 0)
{
    long long best = -1;
    float peak = 0;
    for (long long i = 0; i < a.frames(); ++i)
    {
        const float v = std::fabs(a.samples[size_t(i * a.channels + channel)]);
        if (v > peak)
        {
            peak = v;
            best = i;
        }
    }
    return best;
}

int lineCount(const std::string& text)
{
    return int(std::count(text.begin(), text.end(), '\n'));
}

// A failing command: one line on standard error and status 1.
void expectOneLineFailure(const RunResult& r, const std::string& mention)
{
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(lineCount(r.err), 1) << r.err;
    EXPECT_EQ(r.err.rfind("quar2-host: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(mention), std::string::npos) << r.err;
}

} // namespace

TEST(CliInfo, DescribesTheRecordNamesAndParameters)
{
    RunResult r = RunHost({"info", kPlugin});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("effect:        CLI Test Delay"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("0x51485444 \"QHTD\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("version:       3 (vendor version 7, VST version 2400)"),
              std::string::npos);
    EXPECT_NE(r.out.find("CanReplacing ProgramChunks"), std::string::npos);
    EXPECT_NE(r.out.find("channels:      2 in, 2 out"), std::string::npos);
    EXPECT_NE(r.out.find("current \"Init\""), std::string::npos);
    EXPECT_NE(r.out.find("chunk:         12 bytes"), std::string::npos);
    EXPECT_NE(r.out.find("\"Gain [dB]\""), std::string::npos);
    EXPECT_NE(r.out.find("\"Mix\"                    100.00 %"), std::string::npos) << r.out;

    for (const std::string& third : {kZam, kLsp})
    {
        r = RunHost({"info", third});
        EXPECT_EQ(r.status, 0) << third << ": " << r.err;
        EXPECT_NE(r.out.find("parameters:"), std::string::npos);
    }
    r = RunHost({"info"});
    EXPECT_EQ(r.status, 2);
    r = RunHost({});
    EXPECT_EQ(r.status, 2);
    r = RunHost({"frobnicate"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("unknown command \"frobnicate\""), std::string::npos);
}

TEST(CliProcess, LatencyIsCompensatedSoAnImpulseComesOutWhereItWentIn)
{
    CScratchDir dir;
    ASSERT_TRUE(WriteAudio(dir.path("in.wav"), impulse(3000, 1000)));
    // Block sizes below, equal to and above the latency.
    for (const char* block : {"64", "100", "512"})
    {
        RunResult r = RunHost(
            {"process", kPlugin, dir.path("in.wav"), dir.path("out.wav"), "--block", block});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("latency: 100 frames (compensated)"), std::string::npos) << r.out;
        Audio out;
        ASSERT_TRUE(ReadAudio(dir.path("out.wav"), out));
        EXPECT_EQ(out.frames(), 3000) << block;
        EXPECT_EQ(peakFrame(out, 0), 1000) << block;
        EXPECT_EQ(peakFrame(out, 1), 1000) << block;
        // Gain 0 dB by default: the impulse is unchanged (the transport was playing).
        EXPECT_FLOAT_EQ(out.samples[2000], 0.5f);
        EXPECT_FLOAT_EQ(out.samples[2001], 0.25f);
    }
    RunResult r =
        RunHost({"process", kPlugin, dir.path("in.wav"), dir.path("kept.wav"), "--keep-latency"});
    ASSERT_EQ(r.status, 0) << r.err;
    Audio kept;
    ASSERT_TRUE(ReadAudio(dir.path("kept.wav"), kept));
    EXPECT_EQ(kept.frames(), 3000);
    EXPECT_EQ(peakFrame(kept), 1000 + kTestDelay);

    // An impulse in the last frames still comes out: the plug-in is fed silence past the end.
    ASSERT_TRUE(WriteAudio(dir.path("late.wav"), impulse(700, 690)));
    r = RunHost({"process", kPlugin, dir.path("late.wav"), dir.path("late-out.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    Audio late;
    ASSERT_TRUE(ReadAudio(dir.path("late-out.wav"), late));
    EXPECT_EQ(late.frames(), 700);
    EXPECT_EQ(peakFrame(late), 690);
}

TEST(CliProcess, ParametersAreSetByNameAndDisplayedValue)
{
    CScratchDir dir;
    ASSERT_TRUE(WriteAudio(dir.path("in.wav"), impulse(2000, 500)));
    RunResult r = RunHost({"process", kPlugin, dir.path("in.wav"), dir.path("out.wav"), "--set",
                           "Gain [dB]=-6", "--set", "mode=Hard", "--set", "Mix=37.5 %"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("set Gain [dB] = -6.0"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("set Mode = Hard"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("set Mix = 37.50 %"), std::string::npos) << r.out;
    Audio out;
    ASSERT_TRUE(ReadAudio(dir.path("out.wav"), out));
    EXPECT_NEAR(out.samples[1000], 0.5 * std::pow(10.0, -6.0 / 20.0), 1e-6);

    r = RunHost({"process", kPlugin, dir.path("in.wav"), dir.path("off.wav"), "--set", "Mode=Off"});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(ReadAudio(dir.path("off.wav"), out));
    EXPECT_EQ(peakFrame(out), -1) << "Mode Off should silence the output";

    // Third-party plug-ins: a threshold in dB and a step name.
    r = RunHost({"process", kZam, dir.path("in.wav"), dir.path("zam.wav"), "--set", "Threshold=-20",
                 "--set", "Ratio=8"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("set Threshold = -20.000000 dB"), std::string::npos) << r.out;
    r = RunHost({"process", kLsp, dir.path("in.wav"), dir.path("lsp.wav"), "--set", "scm=Peak"});
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST(CliProcess, BadInputGivesOneClearLineAndLeavesNoOutput)
{
    CScratchDir dir;
    ASSERT_TRUE(WriteAudio(dir.path("in.wav"), impulse(1000, 10)));
    WriteBytes(dir.path("text.wav"), {'n', 'o', 't', ' ', 'a', 'u', 'd', 'i', 'o'});
    WriteBytes(dir.path("fake.so"), {'E', 'L', 'F'});
    Audio quad;
    quad.channels = 4;
    quad.samples.assign(400, 0.0f);
    ASSERT_TRUE(WriteAudio(dir.path("quad.wav"), quad));
    const std::string in = dir.path("in.wav");
    const std::string out = dir.path("out.wav");

    expectOneLineFailure(RunHost({"process", kPlugin, dir.path("missing.wav"), out}),
                         "missing.wav");
    expectOneLineFailure(RunHost({"process", kPlugin, dir.path("text.wav"), out}),
                         "unreadable or unsupported audio file");
    expectOneLineFailure(RunHost({"process", kPlugin, dir.path("quad.wav"), out}), "4 channels");
    expectOneLineFailure(RunHost({"process", dir.path("none.so"), in, out}), "none.so");
    expectOneLineFailure(RunHost({"process", dir.path("fake.so"), in, out}), "cannot load plug-in");
    expectOneLineFailure(RunHost({"process", kNullPlugin, in, out}), "returned no effect");
    expectOneLineFailure(
        RunHost({"process", kPlugin, in, out, "--set", "Volume=3"}),
        "unknown parameter \"Volume\"; valid names: \"Gain [dB]\", \"Mode\", \"Mix\"");
    expectOneLineFailure(RunHost({"process", kPlugin, in, out, "--set", "Mode=Loud"}),
                         "valid values: \"Soft\", \"Hard\", \"Off\"");
    expectOneLineFailure(RunHost({"process", kPlugin, in, out, "--set", "Gain [dB]=99"}),
                         "valid values:");
    expectOneLineFailure(RunHost({"process", kPlugin, in, dir.path("no/such/out.wav")}), "out.wav");
    EXPECT_EQ(RunHost({"process", kPlugin, in, out, "--block", "0"}).status, 2);
    EXPECT_EQ(RunHost({"process", kPlugin, in}).status, 2);
    // Nothing but the inputs is left in the folder: no output, no temporary file.
    EXPECT_EQ(dir.entries(),
              (std::vector<std::string>{"fake.so", "in.wav", "quad.wav", "text.wav"}));
}

TEST(CliProcess, MonoFilesStayMonoInTheirOwnFormatAndLevelsAreLogged)
{
    CScratchDir dir;
    Audio mono;
    mono.channels = 1;
    mono.rate = 44100;
    mono.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    for (int i = 0; i < 44100; ++i)
        mono.samples.push_back(float(0.25 * std::sin(2 * M_PI * 440.0 * i / 44100.0)));
    ASSERT_TRUE(WriteAudio(dir.path("in.flac"), mono));
    RunResult r = RunHost({"process", kPlugin, dir.path("in.flac"), dir.path("out.flac"), "--set",
                           "Gain [dB]=6", "--levels", dir.path("levels.csv"), "--block", "1000"});
    ASSERT_EQ(r.status, 0) << r.err;
    Audio out;
    ASSERT_TRUE(ReadAudio(dir.path("out.flac"), out));
    EXPECT_EQ(out.channels, 1);
    EXPECT_EQ(out.rate, 44100);
    EXPECT_EQ(out.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    EXPECT_EQ(out.frames(), 44100);
    EXPECT_NEAR(out.samples[20000], mono.samples[20000] * std::pow(10.0, 0.3), 2e-4);
    // Loudness goes up by 6 dB; a steady tone has no loudness range.
    EXPECT_NE(r.out.find("input:  integrated"), std::string::npos);
    EXPECT_NE(r.out.find("loudness range 0.0 LU"), std::string::npos) << r.out;

    const std::string csv = ReadText(dir.path("levels.csv"));
    EXPECT_EQ(csv.rfind("time_s,input_dbfs,output_dbfs,gain_db\n", 0), 0u);
    EXPECT_EQ(lineCount(csv), 1 + 45); // 44100 frames in windows of 1000
    // A middle window: 0.25 amplitude sine is -15.05 dBFS, and the gain is +6 dB.
    size_t row = 0;
    for (int line = 0; line < 21; ++line) // the header, then windows 0 to 19
        row = csv.find('\n', row) + 1;
    double t, inDb, outDb, gain;
    ASSERT_EQ(std::sscanf(csv.c_str() + row, "%lf,%lf,%lf,%lf", &t, &inDb, &outDb, &gain), 4);
    EXPECT_NEAR(t, 20000.0 / 44100.0, 1e-4);
    EXPECT_NEAR(inDb, -15.05, 0.1);
    EXPECT_NEAR(gain, 6.0, 0.05);
}

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

TEST(CliBench, TimesEveryPluginOnTheSameAudioAndComparesWithTheFirst)
{
    RunResult r = RunHost({"bench", kPlugin, kZam, kLsp, "--seconds", "2", "--runs", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("2 s of stereo speech-like audio at 48000 Hz in 512-frame blocks"),
              std::string::npos)
        << r.out;
    // Header lines, then one row per plug-in: name, ns/frame, factor, (Nx), ratio.
    std::vector<std::string> rows;
    size_t at = 0;
    for (int line = 0; at < r.out.size(); ++line)
    {
        const size_t end = r.out.find('\n', at);
        if (line >= 2) rows.push_back(r.out.substr(at, end - at));
        at = end + 1;
    }
    ASSERT_EQ(rows.size(), 3u) << r.out;
    double ns[3], ratio[3];
    for (int i = 0; i < 3; ++i)
    {
        char name[128];
        double factor;
        ASSERT_EQ(std::sscanf(rows[size_t(i)].c_str(), "%127s %lf %lf (%*[^)]) %lf", name, &ns[i],
                              &factor, &ratio[i]),
                  4)
            << rows[size_t(i)];
        EXPECT_GT(ns[i], 0.0);
        EXPECT_NEAR(factor, ns[i] * 48000 * 1e-9, 1e-4); // seconds per second of audio
    }
    EXPECT_EQ(rows[0].rfind("cli_test_plugin.so", 0), 0u);
    EXPECT_DOUBLE_EQ(ratio[0], 1.0);
    // ns/frame is printed to 0.1, the ratio from the unrounded times.
    EXPECT_NEAR(ratio[1], ns[1] / ns[0], ratio[1] * (0.05 / ns[0] + 0.05 / ns[1]) + 0.01);

    expectOneLineFailure(RunHost({"bench", kPlugin, "/nonexistent/x.so"}), "x.so");
    EXPECT_EQ(RunHost({"bench"}).status, 2);
    EXPECT_EQ(RunHost({"bench", kPlugin, "--runs", "0"}).status, 2);
}

TEST(CliProcess, AnInterruptedRunLeavesNoPartialOutput)
{
    // The input is a pipe that delivers one second of a long WAV file and then stalls, so the
    // run is certain to be in the middle of writing OUT when it is interrupted.
    CScratchDir dir;
    const std::string fifo = dir.path("in.wav");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const pid_t writer = fork();
    if (writer == 0)
    {
        const int fd = open(fifo.c_str(), O_WRONLY);
        const uint32_t dataBytes = 48000u * 4u * 100u; // claims 100 s of 16-bit stereo
        unsigned char header[44] = {'R', 'I', 'F',  'F',  0,   0,   0,   0,    'W',  'A', 'V',
                                    'E', 'f', 'm',  't',  ' ', 16,  0,   0,    0,    1,   0,
                                    2,   0,   0x80, 0xBB, 0,   0,   0,   0xEE, 0x02, 0,   4,
                                    0,   16,  0,    'd',  'a', 't', 'a', 0,    0,    0,   0};
        const uint32_t riff = dataBytes + 36;
        std::memcpy(header + 4, &riff, 4);
        std::memcpy(header + 40, &dataBytes, 4);
        std::vector<unsigned char> second(48000 * 4, 0);
        if (write(fd, header, sizeof header) < 0 || write(fd, second.data(), second.size()) < 0)
            _exit(1);
        sleep(30); // stall with the pipe open; the test ends us sooner
        _exit(0);
    }
    const std::string out = dir.path("out.wav");
    const pid_t host = fork();
    if (host == 0)
    {
        const int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, 1);
        dup2(devnull, 2);
        execl(QUAR2_HOST_EXE, QUAR2_HOST_EXE, "process", kPlugin.c_str(), fifo.c_str(), out.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    bool partialSeen = false;
    for (int i = 0; i < 500 && !partialSeen; ++i)
    {
        for (const std::string& e : dir.entries())
            partialSeen = partialSeen || e.find("out.wav.partial") != std::string::npos;
        if (!partialSeen) usleep(10000);
    }
    EXPECT_TRUE(partialSeen) << "the run never started writing";
    usleep(100000);
    kill(host, SIGINT);
    int status = 0;
    waitpid(host, &status, 0);
    kill(writer, SIGKILL);
    waitpid(writer, nullptr, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"in.wav"});
}

namespace
{

// A figure of the text table: the number after `label` at the start of a line.
double tableValue(const std::string& text, const std::string& label)
{
    const size_t at = text.find("\n" + label + " ");
    return at == std::string::npos ? NAN : std::atof(text.c_str() + at + label.size() + 2);
}

// The largest value after `key` (" M:", " S:") in ffmpeg's ebur128 log, one line per 100 ms.
double ffmpegLogMax(const std::string& text, const std::string& key)
{
    double most = -HUGE_VAL;
    for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + 1))
        most = std::max(most, std::atof(text.c_str() + at + key.size()));
    return most;
}

double reported(const std::string& text, const std::string& line, const std::string& key)
{
    const size_t from = text.find(line);
    const size_t at = from == std::string::npos ? from : text.find(key, from);
    return at == std::string::npos ? NAN : std::atof(text.c_str() + at + key.size());
}

} // namespace

TEST(CliLoudness, IntegratedLoudnessAndRangeAgreeWithFfmpeg)
{
    // Real speech (espeak-ng) at very different levels with pauses, as users level it: stereo
    // at 48 kHz, mono at 44.1 kHz, and one pushed into clipping.
    CScratchDir dir;
    const std::string script =
        "cd " + dir.path("") +
        " && "
        "espeak-ng -v en-gb -s 150 -w a.wav 'Good evening, and welcome to the programme.' && "
        "espeak-ng -v en-gb -s 150 -w b.wav 'Tonight we talk about the weather in the mountains.' "
        "&& "
        "sox a.wav -r 48000 -c 2 -b 16 a1.wav norm -1 pad 0 0.8 && "
        "sox b.wav -r 48000 -c 2 -b 16 b1.wav norm -1 gain -24 pad 0 1.2 && "
        "sox a1.wav b1.wav a1.wav b1.wav stereo.wav && "
        "sox b.wav -r 44100 -c 1 -b 24 b2.wav norm -3 pad 0 0.5 && "
        "sox a.wav -r 44100 -c 1 -b 24 a2.wav norm -1 gain -14 pad 0 2 && "
        "sox b2.wav a2.wav b2.wav mono.wav && "
        "sox a.wav -r 48000 -c 2 -b 16 a3.wav norm -1 gain 9 pad 0 0.4 && "
        "sox b.wav -r 48000 -c 2 -b 16 b3.wav norm -1 gain -18 && "
        "sox a3.wav b3.wav a3.wav clipped.wav 2>/dev/null";
    ASSERT_EQ(RunHost({"-c", script}, "/bin/sh").status, 0) << "espeak-ng and sox make the speech";
    for (const char* name : {"stereo.wav", "mono.wav", "clipped.wav"})
    {
        const std::string in = dir.path(name);
        RunResult r = RunHost({"process", kPlugin, in, dir.path("out.wav")});
        ASSERT_EQ(r.status, 0) << r.err;
        RunResult ff =
            RunHost({"-c", "ffmpeg -nostats -hide_banner -i " + in + " -af ebur128 -f null - 2>&1"},
                    "/bin/sh");
        const double ffI = FfmpegSummary(ff.out, "I:");
        const double ffLra = FfmpegSummary(ff.out, "LRA:");
        ASSERT_TRUE(std::isfinite(ffI) && std::isfinite(ffLra)) << ff.out;
        EXPECT_GT(ffLra, 5.0) << name << ": the speech should swing in level";
        // Both print to 0.1: the limits include half a digit of rounding on each side.
        EXPECT_NEAR(reported(r.out, "input:", "integrated "), ffI, 0.1 + 1e-9) << name << r.out;
        EXPECT_NEAR(reported(r.out, "input:", "loudness range "), ffLra, 0.2 + 1e-9)
            << name << r.out;
        // The test plug-in passes the audio unchanged: the output measures the same.
        EXPECT_NEAR(reported(r.out, "output:", "loudness range "), ffLra, 0.2 + 1e-9) << name;

        // analyze measures the same without a plug-in, and its peaks and loudest moments agree
        // with ffmpeg's too (its 100 ms log of momentary and short-term loudness).
        const std::string ffFull = FfmpegLoudness(in);
        RunResult a = RunHost({"analyze", in});
        ASSERT_EQ(a.status, 0) << a.err;
        EXPECT_NEAR(tableValue(a.out, "integrated"), ffI, 0.1 + 1e-9) << a.out;
        EXPECT_NEAR(tableValue(a.out, "loudness range"), ffLra, 0.2 + 1e-9) << a.out;
        EXPECT_NEAR(tableValue(a.out, "true peak"), FfmpegSummary(ffFull, "True peak:"), 0.2)
            << a.out;
        EXPECT_NEAR(tableValue(a.out, "sample peak"), FfmpegSummary(ffFull, "Sample peak:"),
                    0.1 + 1e-9)
            << a.out;
        EXPECT_NEAR(tableValue(a.out, "max momentary"), ffmpegLogMax(ffFull, " M:"), 0.1 + 1e-9);
        EXPECT_NEAR(tableValue(a.out, "max short-term"), ffmpegLogMax(ffFull, " S:"), 0.1 + 1e-9);
    }
}

TEST(CliLoudness, AnUnreachableTargetStopsAtTheCeilingAndSaysByHowMuch)
{
    // Quiet speech with one loud click: reaching -16 LUFS would put the click far above -1 dBTP.
    CScratchDir dir;
    ASSERT_TRUE(
        MakeSpeech(dir.path(""), "a.wav", "A quiet voice, far from the microphone.", -24, 0.3));
    ASSERT_EQ(
        RunHost({"-c", "cd " + dir.path("") +
                           " && sox -n -r 48000 -c 2 -b 16 click.wav synth 0.003 sine 3000 "
                           "vol 0.95 && sox a.wav click.wav a.wav spiky.wav && rm a.wav click.wav"},
                "/bin/sh")
            .status,
        0);
    const std::string in = dir.path("spiky.wav");
    const std::string out = dir.path("out.wav");
    RunResult r = RunHost({"process", kPlugin, in, out, "--loudness", "podcast", "--limiter", "off",
                           "--report", dir.path("r.json")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("warning: " + out + ": "), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("true-peak limit  off"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("held by the true-peak ceiling -1.0 dBTP"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("static gain"), std::string::npos) << r.out;

    // The test plug-in passes the audio unchanged, so ffmpeg's input figures predict it all.
    const std::string ffIn = FfmpegLoudness(in);
    const std::string ffOut = FfmpegLoudness(out);
    const double gain = -1.0 - FfmpegSummary(ffIn, "True peak:");
    EXPECT_GT(-16.0 - FfmpegSummary(ffIn, "I:"), gain + 5.0) << "the target must be out of reach";
    EXPECT_LE(FfmpegSummary(ffOut, "True peak:"), -1.0 + 1e-9) << ffOut;
    EXPECT_NEAR(FfmpegSummary(ffOut, "I:"), FfmpegSummary(ffIn, "I:") + gain, 0.15);
    const auto report = nlohmann::json::parse(ReadText(dir.path("r.json")));
    const auto& file = report["files"][0];
    EXPECT_TRUE(file["static_gain"]["limited_by_true_peak"].get<bool>());
    EXPECT_NEAR(file["static_gain"]["gain_db"].get<double>(), gain, 0.15);
    EXPECT_NEAR(file["static_gain"]["target_missed_by_lu"].get<double>(),
                -16.0 - FfmpegSummary(ffOut, "I:"), 0.15);
    EXPECT_LE(file["output_measurements"]["true_peak_dbtp"].get<double>(), -1.0);
    // Nothing was limited: the click keeps its shape, only scaled (16-bit steps apart).
    Audio a, b;
    ASSERT_TRUE(ReadAudio(in, a));
    ASSERT_TRUE(ReadAudio(out, b));
    ASSERT_EQ(a.samples.size(), b.samples.size());
    size_t loudest = 0;
    for (size_t i = 0; i < a.samples.size(); ++i)
        loudest = std::fabs(a.samples[i]) > std::fabs(a.samples[loudest]) ? i : loudest;
    const float scale = b.samples[loudest] / a.samples[loudest];
    EXPECT_NEAR(20.0 * std::log10(scale), file["static_gain"]["gain_db"].get<double>(), 0.01);
    float worst = 0;
    for (size_t i = 0; i < a.samples.size(); ++i)
        worst = std::max(worst, std::fabs(a.samples[i] * scale - b.samples[i]));
    EXPECT_LT(worst, 3.0f / 32768.0f);
    EXPECT_TRUE(file["true_peak_limiter"].is_null());

    // Targets and ceilings out of range, unknown names, a ceiling or a limiter without a target.
    for (const std::vector<std::string>& extra : {std::vector<std::string>{"--loudness", "loud"},
                                                  {"--loudness", "-80"},
                                                  {"--loudness", "-16", "--true-peak", "1"},
                                                  {"--true-peak", "-1"},
                                                  {"--limiter", "off"},
                                                  {"--loudness", "-16", "--limiter", "maybe"}})
    {
        std::vector<std::string> args = {"process", kPlugin, in, dir.path("x.wav")};
        args.insert(args.end(), extra.begin(), extra.end());
        r = RunHost(args);
        EXPECT_EQ(r.status, 2) << extra[1];
        EXPECT_EQ(lineCount(r.err), 1) << r.err;
    }
    EXPECT_NE(RunHost({"process", kPlugin, in, dir.path("x.wav"), "--loudness", "loud"})
                  .err.find("podcast, podcast-mono, mono, streaming"),
              std::string::npos);
    EXPECT_EQ(access(dir.path("x.wav").c_str(), F_OK), -1);
}

TEST(CliLoudness, TheLimiterMeetsTheTargetUnderTheCeilingWithAGlidingGain)
{
    // A voice with a click as in the test above, in float so that the gain can be read back
    // sample by sample (the test plug-in passes the audio unchanged).
    CScratchDir dir;
    ASSERT_TRUE(MakeSpeech(dir.path(""), "a.wav", "A voice close to the microphone.", -12, 0.3));
    ASSERT_EQ(RunHost({"-c", "cd " + dir.path("") +
                                 " && sox -n -r 48000 -c 2 -b 16 click.wav synth 0.003 sine 3000 "
                                 "vol 0.95 && sox a.wav click.wav a.wav -e floating-point -b 32 "
                                 "spiky.wav"},
                      "/bin/sh")
                  .status,
              0);
    const std::string in = dir.path("spiky.wav");
    const std::string out = dir.path("out.wav");
    RunResult r = RunHost(
        {"process", kPlugin, in, out, "--loudness", "broadcast", "--report", dir.path("r.json")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find("true-peak limit  lowered 1 passage, by "), std::string::npos) << r.out;
    const std::string ff = FfmpegLoudness(out);
    EXPECT_NEAR(FfmpegSummary(ff, "I:"), -23.0, 0.5) << ff;
    EXPECT_LE(FfmpegSummary(ff, "True peak:"), -1.0 + 1e-9) << ff;
    const auto report = nlohmann::json::parse(ReadText(dir.path("r.json")));
    const auto& file = report["files"][0];
    const auto& limiter = file["true_peak_limiter"];
    EXPECT_TRUE(limiter["acted"].get<bool>());
    EXPECT_EQ(limiter["passages_limited"].get<int>(), 1);
    EXPECT_NEAR(file["output_measurements"]["integrated_lufs"].get<double>(), -23.0, 0.05);
    EXPECT_FALSE(file["static_gain"]["limited_by_true_peak"].get<bool>());

    // The gain, frame by frame: the output over the input, less the static gain. It glides,
    // never by more than 0.1 dB from one frame to the next, down to the reduction reported;
    // outside the one passage it is the static gain exactly.
    Audio a, b;
    ASSERT_TRUE(ReadAudio(in, a));
    ASSERT_TRUE(ReadAudio(out, b));
    ASSERT_EQ(a.samples.size(), b.samples.size());
    const double gainDb = file["static_gain"]["gain_db"].get<double>();
    double previous = NAN, steepest = 0, deepest = 0;
    long long first = -1, last = -1;
    for (long long i = 0; i < a.frames(); ++i)
    {
        const float x = a.samples[size_t(2 * i)], y = b.samples[size_t(2 * i)];
        const double g = std::fabs(x) < 1e-3f ? NAN : 20.0 * std::log10(y / x) - gainDb;
        if (!std::isnan(g) && !std::isnan(previous))
            steepest = std::max(steepest, std::fabs(g - previous));
        // Reductions below 0.01 dB are not told from the static gain's rounding in the report.
        if (g < -0.01)
        {
            first = first < 0 ? i : first;
            last = i;
            deepest = std::min(deepest, g);
        }
        previous = g;
    }
    EXPECT_LT(steepest, 0.1);
    EXPECT_NEAR(-deepest, limiter["max_gain_reduction_db"].get<double>(), 0.05);
    EXPECT_GT(-deepest, 3.0) << "the click needs a real reduction";
    // The reduction surrounds the click (it starts before it) and is over within a second.
    const long long click = peakFrame(a);
    EXPECT_LT(first, click);
    EXPECT_GT(last, click);
    EXPECT_LT(last - first, 48000);
    // Well away from it, one float gain (the ratio at the start, or a neighbour) gives every
    // sample exactly.
    const long long start = std::find_if(a.samples.begin(), a.samples.end(),
                                         [](float v) { return std::fabs(v) > 1e-2f; }) -
                            a.samples.begin();
    const float ratio = b.samples[size_t(start)] / a.samples[size_t(start)];
    size_t exact = 0, outside = 0;
    for (float gain : {ratio, std::nextafter(ratio, 0.0f), std::nextafter(ratio, 2.0f)})
    {
        size_t matches = 0;
        outside = 0;
        for (long long i = 0; i < 2 * a.frames(); ++i)
            if (i / 2 < first - 4800 || i / 2 > last + 48000)
            {
                ++outside;
                matches += b.samples[size_t(i)] == a.samples[size_t(i)] * gain ? 1 : 0;
            }
        exact = std::max(exact, matches);
    }
    EXPECT_GT(outside, 0u);
    EXPECT_EQ(exact, outside);

    // A target with headroom: the limiter never acts and the bytes are those without it.
    for (const char* limit : {"on", "off"})
        ASSERT_EQ(RunHost({"process", kPlugin, in, dir.path(std::string("quiet-") + limit + ".wav"),
                           "--loudness", "-40", "--limiter", limit, "--report",
                           dir.path(std::string("quiet-") + limit + ".json")})
                      .status,
                  0);
    // libsndfile stamps a float file's PEAK chunk with the second it was written: that field
    // alone may differ between two runs.
    const auto unstamped = [](std::vector<unsigned char> bytes)
    {
        const unsigned char tag[] = {'P', 'E', 'A', 'K'};
        const auto peak = std::search(bytes.begin(), bytes.end(), tag, tag + 4);
        if (bytes.end() - peak >= 16) std::fill(peak + 12, peak + 16, 0);
        return bytes;
    };
    EXPECT_EQ(unstamped(ReadBytes(dir.path("quiet-on.wav"))),
              unstamped(ReadBytes(dir.path("quiet-off.wav"))));
    const auto quiet = nlohmann::json::parse(ReadText(dir.path("quiet-on.json")));
    EXPECT_FALSE(quiet["files"][0]["true_peak_limiter"]["acted"].get<bool>());
}

TEST(CliParameters, NearestValuesAreTakenAndInfoShowsRangesStepsAndLatency)
{
    CScratchDir dir;
    ASSERT_TRUE(WriteAudio(dir.path("in.wav"), impulse(2000, 500)));
    RunResult r = RunHost({"process", kPlugin, dir.path("in.wav"), dir.path("out.wav"), "--set",
                           "Gain [dB]=-6.4", "--set", "Mix=33.333"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("set Gain [dB] = -6.0 (-6.4 lies between the steps -7.0 and -6.0; the "
                         "parameter moves in steps of 1.0"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("set Mix = 33.33 %"), std::string::npos) << r.out;
    Audio out;
    ASSERT_TRUE(ReadAudio(dir.path("out.wav"), out));
    EXPECT_NEAR(out.samples[1000], 0.5 * std::pow(10.0, -6.0 / 20.0), 1e-6);
    // A continuous third-party parameter between the numbers its display can show.
    r = RunHost(
        {"process", kZam, dir.path("in.wav"), dir.path("zam.wav"), "--set", "Release=123.4"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("the nearest value the parameter takes to 123.4"), std::string::npos)
        << r.out;

    r = RunHost({"info", kPlugin});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("-24.0 to 24.0 in 49 steps of 1.0"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"Soft\", \"Hard\", \"Off\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("0.00 to 100.00 %, continuous"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("latency:       100 frames after a first block at 48000 Hz (0 when"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\"Mix\"                    100.00 %"), std::string::npos) << "restored";
}

TEST(CliUsage, EveryCommandHasHelpAndTheReadmeShowsEveryOption)
{
    const std::string readme = ReadText(QUAR2_README);
    RunResult r = RunHost({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("quar2-host 1.", 0), 0u) << r.out;
    r = RunHost({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* text : {"QUAR2_BRIDGE", "QUAR2_WINE", "TMPDIR", "Exit status"})
    {
        EXPECT_NE(r.out.find(text), std::string::npos) << text;
        EXPECT_NE(readme.find(text), std::string::npos) << "README: " << text;
    }
    for (const std::string command : {"info", "process", "analyze", "bench", "render-editor"})
    {
        r = RunHost({command, "--help"});
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_NE(r.out.find("Usage: quar2-host " + command), std::string::npos) << r.out;
        // Every option in the help is in the README, and the README has an example of the command.
        EXPECT_NE(readme.find("quar2-host " + command + " "), std::string::npos) << command;
        for (size_t at = r.out.find("--"); at != std::string::npos; at = r.out.find("--", at + 2))
        {
            size_t end = at + 2;
            while (end < r.out.size() &&
                   (std::isalnum(static_cast<unsigned char>(r.out[end])) || r.out[end] == '-'))
                ++end;
            const std::string option = r.out.substr(at, end - at);
            if (option != "--help" && option.size() > 2)
            {
                EXPECT_NE(readme.find(option), std::string::npos) << command << " " << option;
            }
        }
    }
    for (const std::string text : {"--seconds", "--runs"})
        EXPECT_NE(RunHost({"bench", "--help"}).out.find(text), std::string::npos);
    for (const std::string text : {"--preset", "--set"})
        EXPECT_NE(RunHost({"render-editor", "--help"}).out.find(text), std::string::npos);

    CScratchDir dir;
    ASSERT_TRUE(WriteAudio(dir.path("in.wav"), impulse(2000, 500)));
    r = RunHost({"-q", "process", kPlugin, dir.path("in.wav"), dir.path("q.wav")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    r = RunHost({"process", kPlugin, dir.path("in.wav"), dir.path("v.flac"), "-v"});
    EXPECT_NE(r.out.find("as FLAC"), std::string::npos) << r.out;
    EXPECT_EQ(
        RunHost({"process", kPlugin, "-q", "-v", dir.path("in.wav"), dir.path("x.wav")}).status, 2);
}

TEST(CliUsage, TheProgressBarFitsANarrowTerminalAndShowsTheTimeLeft)
{
    CScratchDir dir;
    ASSERT_TRUE(WriteAudio(dir.path("in.wav"), impulse(96000, 10)));
    int master = -1;
    winsize size{};
    size.ws_col = 40;
    size.ws_row = 10;
    const pid_t host = forkpty(&master, nullptr, nullptr, &size);
    ASSERT_GE(host, 0);
    if (host == 0)
    {
        // About one second: 20 blocks, 50 ms each in the slowed test plug-in.
        setenv("QUAR2_TEST_PLUGIN_FAULT", "slow", 1);
        execl(QUAR2_HOST_EXE, QUAR2_HOST_EXE, "process", kPlugin.c_str(),
              dir.path("in.wav").c_str(), dir.path("out.wav").c_str(), "--block", "4800",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string screen;
    char buffer[4096];
    for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;)
        screen.append(buffer, size_t(n));
    close(master);
    int status = 0;
    waitpid(host, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << screen;
    // Each redraw starts at the line's beginning and stays within 39 columns.
    int bars = 0;
    for (size_t at = screen.find('\r'); at != std::string::npos; at = screen.find('\r', at + 1))
    {
        const size_t end = screen.find_first_of("\r\n\033", at + 1);
        const std::string line =
            screen.substr(at + 1, end == std::string::npos ? end : end - at - 1);
        if (line.find("processing") == std::string::npos) continue;
        ++bars;
        EXPECT_LE(line.size(), 39u) << line;
        EXPECT_NE(line.find(" left"), std::string::npos) << line;
    }
    EXPECT_GT(bars, 2) << screen;
}

namespace
{

struct Picture
{
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
    uint32_t at(int x, int y) const
    {
        const uint8_t* p = &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
        return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
};

Picture readPng(const std::string& path)
{
    Picture picture;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return picture;
    image.format = PNG_FORMAT_RGB;
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr))
    {
        png_image_free(&image);
        return {};
    }
    picture.width = int(image.width);
    picture.height = int(image.height);
    return picture;
}

// The paint-time line of render-editor: frames, median, 90th and 99th percentile, worst.
bool paintTimes(const std::string& out, const std::string& when, std::vector<double>& figures)
{
    const std::regex line("paint times over ([0-9]+) frames " + when +
                          ": median ([0-9.]+) ms, 90th percentile ([0-9.]+) ms, 99th "
                          "percentile ([0-9.]+) ms, worst ([0-9.]+) ms");
    std::smatch m;
    if (!std::regex_search(out, m, line)) return false;
    figures.clear();
    for (size_t i = 1; i < m.size(); ++i)
        figures.push_back(std::stod(m[i].str()));
    return true;
}

} // namespace

// The test plug-in's editor (red and blue halves, a green bar as wide as the blocks processed)
// in an X11 window of quar2-host's own, as a Linux host shows it; make test runs the native
// tests inside Xvfb when there is no display.
TEST(CliRenderEditor, PicturesALinuxEditorInAnX11WindowAndTimesItsPaints)
{
    const char* display = std::getenv("DISPLAY");
    ASSERT_TRUE(display != nullptr && *display != '\0')
        << "needs an X display (make test starts Xvfb when there is none)";
    CScratchDir dir;
    Audio tone;
    for (int i = 0; i < 96000; ++i)
        tone.samples.insert(tone.samples.end(), 2, 0.25f * float(std::sin(i * 0.04)));
    ASSERT_TRUE(WriteAudio(dir.path("in.wav"), tone));

    RunResult r = RunHost({"render-editor", kPlugin, dir.path("live.png"), "--seconds", "2",
                           "--input", dir.path("in.wav"), "-v"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("editor 200x100 after 2 s of audio"), std::string::npos) << r.out;
    std::vector<double> ms;
    ASSERT_TRUE(paintTimes(r.out, "while the audio played", ms)) << r.out;
    // The test editor draws in every idle call: dozens of timed paints in 2 s, in order.
    EXPECT_GE(ms[0], 20) << r.out;
    EXPECT_TRUE(0 <= ms[1] && ms[1] <= ms[2] && ms[2] <= ms[3] && ms[3] <= ms[4]) << r.out;
    Picture live = readPng(dir.path("live.png"));
    ASSERT_EQ(live.width, 200);
    ASSERT_EQ(live.height, 100);
    EXPECT_EQ(live.at(50, 50), 0xFF0000u);
    EXPECT_EQ(live.at(150, 50), 0x0000FFu);
    EXPECT_EQ(live.at(100, 5), 0x00FF00u) << "audio did not run before the picture";

    // Offline: exactly the whole blocks of 2 s (187 of 512 frames), the same picture every run.
    for (const char* name : {"a.png", "b.png"})
    {
        r = RunHost({"render-editor", kPlugin, dir.path(name), "--seconds", "2", "--input",
                     dir.path("in.wav"), "--offline"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(paintTimes(r.out, "after the audio", ms)) << r.out;
    }
    const Picture still = readPng(dir.path("a.png"));
    ASSERT_EQ(still.width, 200);
    EXPECT_EQ(still.at(186, 5), 0x00FF00u);
    EXPECT_EQ(still.at(187, 5), 0x0000FFu);
    const Picture again = readPng(dir.path("b.png"));
    ASSERT_EQ(again.rgb.size(), still.rgb.size());
    for (int y = 0, reported = 0; y < still.height && !reported; ++y)
        for (int x = 0; x < still.width && !reported; ++x)
            if (still.at(x, y) != again.at(x, y))
            {
                ADD_FAILURE() << "the offline pictures differ first at " << x << ", " << y;
                reported = 1;
            }

    // Failures say why in one line and write nothing.
    r = RunHost({"render-editor", kPlugin, dir.path("x.png")}, {}, {"DISPLAY="});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("needs an X display"), std::string::npos) << r.err;
    r = RunHost({"render-editor", kPlugin, dir.path("x.png")}, {},
                {"QUAR2_TEST_PLUGIN_FAULT=no-editor"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("has no editor"), std::string::npos) << r.err;
    EXPECT_NE(RunHost({"render-editor", kNullPlugin, dir.path("x.png")}).status, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.path("x.png")));
}
