// End-to-end tests of quar2-host's commands that run plug-ins: info, process (latency,
// parameters, bad input, mono files, interruption), parameter values and bench; the real program
// on small generated files, with a test plug-in of known behaviour (a 100-frame delay with a
// gain) and Debian's third-party VST 2.4 plug-ins. Presets, loudness, usage and the editor's
// pictures have files of their own (CliPresetTest.cpp, CliLoudnessTest.cpp, CliUsageTest.cpp,
// CliRenderEditorTest.cpp).

#include "CliCommandSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
