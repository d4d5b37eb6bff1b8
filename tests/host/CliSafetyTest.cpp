// End-to-end tests of what quar2-host may and may not do to the user's files, and of what it
// refuses to pass on: the real program, the test plug-in (made to misbehave through
// QUAR2_TEST_PLUGIN_FAULT) and small generated files.

#include "CliTestSupport.h"

#include "host/cli/FxpPreset.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

const std::string kPlugin = QUAR2_TEST_PLUGIN;

// A stereo 16-bit file: a 1 kHz tone at `amplitude`.
Audio tone(int frames, float amplitude, int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16)
{
    Audio a;
    a.format = format;
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < 2; ++c)
            a.samples.push_back(amplitude * float(std::sin(2 * M_PI * 1000.0 * i / 48000.0)));
    return a;
}

struct stat statOf(const std::string& path, bool follow = true)
{
    struct stat st
    {
    };
    (follow ? stat : lstat)(path.c_str(), &st);
    return st;
}

bool isAudio(const std::string& bytesOrPath, long long frames, bool isPath = true)
{
    Audio a;
    std::string path = bytesOrPath;
    if (!isPath)
    {
        path = "/tmp/quar2-stream-check.wav";
        WriteBytes(path, std::vector<unsigned char>(bytesOrPath.begin(), bytesOrPath.end()));
    }
    const bool ok = ReadAudio(path, a) && a.frames() == frames;
    if (!isPath) unlink(path.c_str());
    return ok;
}

void expectFailure(const RunResult& r, int status, const std::string& mention)
{
    EXPECT_EQ(r.status, status) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_NE(r.err.find(mention), std::string::npos) << r.err;
}

} // namespace

TEST(CliOutputs, DevicesFifosAndStandardOutputAreWrittenIntoNotReplaced)
{
    CScratchDir dir;
    const std::string in = dir.path("in.wav");
    ASSERT_TRUE(WriteAudio(in, tone(4800, 0.25f)));

    // Standard output: the audio, whole; the report moves to standard error.
    RunResult r = RunHost({"process", kPlugin, in, "-"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(isAudio(r.out, 4800, false));
    EXPECT_NE(r.err.find("latency: 100 frames"), std::string::npos) << r.err;

    // A FIFO: its reader gets the whole file and the FIFO stays a FIFO.
    const std::string fifo = dir.path("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const pid_t reader = fork();
    if (reader == 0)
    {
        execl("/bin/sh", "sh", "-c", ("exec cat " + fifo + " > " + dir.path("read.wav")).c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    r = RunHost({"process", kPlugin, in, fifo});
    // A reader left waiting (nothing was written into the FIFO) is ended after a while.
    for (int i = 0; i < 500 && waitpid(reader, nullptr, WNOHANG) == 0; ++i)
        usleep(10000);
    kill(reader, SIGKILL);
    waitpid(reader, nullptr, 0);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(S_ISFIFO(statOf(fifo).st_mode));
    EXPECT_TRUE(isAudio(dir.path("read.wav"), 4800));

    // A character device (a copy of the null device; making one needs root).
    const std::string null = dir.path("null");
    if (mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
    {
        r = RunHost({"process", kPlugin, in, null});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(S_ISCHR(statOf(null).st_mode)) << "the device was replaced";
    }
    // Standard input as IN.
    r = RunHost({"process", kPlugin, "-", dir.path("from-stdin.wav")}, {}, {}, in);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(isAudio(dir.path("from-stdin.wav"), 4800));
}

TEST(CliOutputs, NoOutputMayBeAnInputOrAnotherOutput)
{
    CScratchDir dir;
    const std::string in = dir.path("in.wav");
    const std::string out = dir.path("out.wav");
    ASSERT_TRUE(WriteAudio(in, tone(4800, 0.25f)));
    const std::vector<unsigned char> original = ReadBytes(in);
    ASSERT_EQ(link(in.c_str(), dir.path("hard.wav").c_str()), 0);
    ASSERT_EQ(symlink("in.wav", dir.path("soft.wav").c_str()), 0);

    expectFailure(RunHost({"process", kPlugin, in, out, "--levels", in}), 1,
                  "is the same file as the input");
    expectFailure(RunHost({"process", kPlugin, in, out, "--save-preset", in}), 1,
                  "is the same file as the input");
    expectFailure(RunHost({"process", kPlugin, in, in}), 1, "is the same file as the input");
    expectFailure(RunHost({"process", kPlugin, in, dir.path("hard.wav")}), 1, "same file");
    expectFailure(RunHost({"process", kPlugin, in, dir.path("soft.wav")}), 1, "same file");
    expectFailure(RunHost({"process", kPlugin, in, dir.path("./out.wav"), "--levels", out}), 1,
                  "another output");
    expectFailure(RunHost({"process", kPlugin, in, out, "--save-preset", out}), 1,
                  "another output");
    expectFailure(RunHost({"process", kPlugin, in, out, "--levels", kPlugin}), 1,
                  "same file as the plug-in");
    EXPECT_EQ(ReadBytes(in), original);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"hard.wav", "in.wav", "soft.wav"}));

    // Saving a preset over the one just loaded is allowed: it was read first.
    ASSERT_EQ(RunHost({"process", kPlugin, in, out, "--save-preset", dir.path("p.fxp")}).status, 0);
    RunResult r = RunHost({"process", kPlugin, in, out, "--preset", dir.path("p.fxp"),
                           "--save-preset", dir.path("p.fxp")});
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST(CliOutputs, LinksAreWrittenThroughAndExistingFilesKeepModeAndOwner)
{
    CScratchDir dir;
    const std::string in = dir.path("in.wav");
    ASSERT_TRUE(WriteAudio(in, tone(4800, 0.25f)));

    ASSERT_EQ(symlink("target.wav", dir.path("link.wav").c_str()), 0);
    ASSERT_EQ(RunHost({"process", kPlugin, in, dir.path("link.wav")}).status, 0);
    EXPECT_TRUE(S_ISLNK(statOf(dir.path("link.wav"), false).st_mode)) << "the link was replaced";
    EXPECT_TRUE(isAudio(dir.path("target.wav"), 4800));

    const std::string kept = dir.path("kept.wav");
    WriteBytes(kept, {'o', 'l', 'd'});
    ASSERT_EQ(chmod(kept.c_str(), 0640), 0);
    const bool root = geteuid() == 0;
    if (root)
    {
        ASSERT_EQ(chown(kept.c_str(), 65534, 65534), 0);
    }
    ASSERT_EQ(RunHost({"process", kPlugin, in, kept}).status, 0);
    EXPECT_TRUE(isAudio(kept, 4800));
    EXPECT_EQ(statOf(kept).st_mode & 07777, 0640u);
    if (root)
    {
        EXPECT_EQ(statOf(kept).st_uid, 65534u);
    }

    // Read-only files and --no-clobber: refused, untouched.
    const std::string ro = dir.path("ro.wav");
    WriteBytes(ro, {'o', 'l', 'd'});
    ASSERT_EQ(chmod(ro.c_str(), 0444), 0);
    expectFailure(RunHost({"process", kPlugin, in, ro}), 1, "is read-only");
    expectFailure(RunHost({"process", kPlugin, in, kept, "-n"}), 1, "exists; not replaced");
    expectFailure(
        RunHost({"process", kPlugin, in, dir.path("new.wav"), "--no-clobber", "--levels", kept}), 1,
        "exists; not replaced");
    EXPECT_EQ(ReadBytes(ro), (std::vector<unsigned char>{'o', 'l', 'd'}));
    EXPECT_EQ(RunHost({"process", kPlugin, in, dir.path("new.wav"), "-n"}).status, 0);
}

TEST(CliOutputs, EveryOutputIsCheckedBeforeAnythingIsReplaced)
{
    CScratchDir dir;
    const std::string in = dir.path("in.wav");
    const std::string out = dir.path("out.wav");
    ASSERT_TRUE(WriteAudio(in, tone(4800, 0.25f)));
    WriteBytes(out, {'o', 'l', 'd'});
    expectFailure(RunHost({"process", kPlugin, in, out, "--levels", dir.path("no/l.csv")}), 1,
                  "no/l.csv");
    expectFailure(RunHost({"process", kPlugin, in, out, "--save-preset", dir.path("no/p.fxp")}), 1,
                  "no/p.fxp");
    // A full device (a copy of /dev/full, never the system's own: a host with the fault this
    // checks for would replace it) fails when written to, and the audio output stays the old one.
    const std::string full = dir.path("full");
    if (mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0)
    {
        expectFailure(RunHost({"process", kPlugin, in, out, "--levels", full}), 1,
                      "full: write failed");
        EXPECT_EQ(ReadBytes(out), (std::vector<unsigned char>{'o', 'l', 'd'}));
        EXPECT_TRUE(S_ISCHR(statOf(full).st_mode));
        unlink(full.c_str());
    }
    // A folder as the output is refused before the plug-in runs (which would crash here).
    ASSERT_EQ(mkdir(dir.path("folder").c_str(), 0755), 0);
    expectFailure(
        RunHost({"process", kPlugin, in, dir.path("folder")}, {}, {"QUAR2_TEST_PLUGIN_FAULT=segv"}),
        1, "is a folder");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"folder", "in.wav", "out.wav"}));
}

TEST(CliOutputs, APluginThatCrashesOrExitsIsNamedAndLeavesNothingBehind)
{
    CScratchDir dir;
    const std::string in = dir.path("in.wav");
    ASSERT_TRUE(WriteAudio(in, tone(48000, 0.25f)));
    for (const char* fault : {"segv", "abort", "exit"})
    {
        RunResult r =
            RunHost({"process", kPlugin, in, dir.path("out.wav"), "--levels", dir.path("l.csv")},
                    {}, {std::string("QUAR2_TEST_PLUGIN_FAULT=") + fault});
        expectFailure(r, 1, "the plug-in " + kPlugin);
        EXPECT_NE(r.err.find(std::string(fault) == "exit" ? "ended the program" : "crashed"),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"in.wav"}) << fault;
    }
    // SIGQUIT in the middle of a slow run: no partial file either.
    const pid_t host = fork();
    if (host == 0)
    {
        const rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        setenv("QUAR2_TEST_PLUGIN_FAULT", "slow", 1);
        const int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, 1);
        dup2(devnull, 2);
        execl(QUAR2_HOST_EXE, QUAR2_HOST_EXE, "process", kPlugin.c_str(), in.c_str(),
              dir.path("out.wav").c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    bool partial = false;
    for (int i = 0; i < 300 && !partial; ++i, usleep(10000))
        partial = dir.entries().size() > 1;
    EXPECT_TRUE(partial) << "the run never started writing";
    kill(host, SIGQUIT);
    int status = 0;
    waitpid(host, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGQUIT);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"in.wav"});
}

TEST(CliGarbage, NonFiniteOutputIsRefusedAndClippingIsReported)
{
    CScratchDir dir;
    const std::string in = dir.path("in.wav");
    const std::string out = dir.path("out.wav");
    ASSERT_TRUE(WriteAudio(in, tone(48000, 0.5f)));
    // The test plug-in's output turns bad at its frame 1000: file frame 900 after its latency.
    for (const char* fault : {"nan", "inf"})
    {
        RunResult r = RunHost({"process", kPlugin, in, out}, {},
                              {std::string("QUAR2_TEST_PLUGIN_FAULT=") + fault});
        expectFailure(r, 3, kPlugin + ": the plug-in's output is ");
        EXPECT_NE(r.err.find("from frame 900 (0.019 s)"), std::string::npos) << r.err;
    }
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"in.wav"});

    // +12 dB on a -6 dBFS tone: a 16-bit output clips; every sample of the peaks does.
    RunResult r = RunHost({"process", kPlugin, in, out, "--set", "Gain [dB]=12"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("samples above full scale clipped (peak +6.0 dBFS, true peak +6.0"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.out.find("peaks:  output peak +6.0 dBFS"), std::string::npos) << r.out;
    // The loudness reported is that of the file written, as ffmpeg measures it.
    RunResult ff = RunHost({"-c", "ffmpeg -nostats -hide_banner -i " + out +
                                      " -af ebur128 -f null - 2>&1 | grep -E '^ +I:' | tail -1"},
                           "/bin/sh");
    double measured = NAN, reported = NAN;
    ASSERT_EQ(std::sscanf(ff.out.c_str(), " I: %lf", &measured), 1) << ff.out;
    ASSERT_EQ(std::sscanf(r.out.c_str() + r.out.find("output: integrated"),
                          "output: integrated %lf", &reported),
              1);
    EXPECT_NEAR(reported, measured, 0.1);

    std::remove(out.c_str());
    expectFailure(
        RunHost({"process", kPlugin, in, out, "--set", "Gain [dB]=12", "--clip", "error"}), 3,
        "--clip error");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"in.wav"});
    EXPECT_EQ(RunHost({"process", kPlugin, in, out, "--clip", "sometimes"}).status, 2);
}

TEST(CliPresets, AChunkThePluginRefusesIsAnError)
{
    CScratchDir dir;
    const std::string in = dir.path("in.wav");
    ASSERT_TRUE(WriteAudio(in, tone(4800, 0.25f)));
    FxpProgram bad;
    bad.uniqueId = 0x51485444; // "QHTD": the test plug-in's, but a chunk it does not take
    bad.chunk = {'X', 'X', 'X', 'X', 0, 0, 0, 0, 0, 0, 0, 0};
    std::string error;
    ASSERT_TRUE(writeFxpFile(dir.path("bad.fxp"), bad, error)) << error;
    expectFailure(
        RunHost({"process", kPlugin, in, dir.path("out.wav"), "--preset", dir.path("bad.fxp")}), 1,
        "bad.fxp: the plug-in refused the preset's state chunk");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"bad.fxp", "in.wav"}));
}

TEST(CliFormats, TheOutputNameChoosesTheFormatAndTagsAreCopied)
{
    CScratchDir dir;
    const std::string in = dir.path("in.wav");
    {
        const Audio audio = tone(4800, 0.25f);
        SF_INFO info{};
        info.samplerate = 48000;
        info.channels = 2;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
        SNDFILE* f = sf_open(in.c_str(), SFM_WRITE, &info);
        ASSERT_NE(f, nullptr);
        sf_set_string(f, SF_STR_TITLE, "Evening News");
        sf_set_string(f, SF_STR_ARTIST, "Tessel");
        sf_writef_float(f, audio.samples.data(), audio.frames());
        sf_close(f);
    }
    const struct
    {
        const char* name;
        int format;
    } cases[] = {
        {"a.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24}, // the subtype kept
        {"b.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS},   // the nearest the format has
        {"c.AIFF", SF_FORMAT_AIFF | SF_FORMAT_PCM_24},
        {"d", SF_FORMAT_WAV | SF_FORMAT_PCM_24}, // no extension: the input's format
    };
    for (const auto& c : cases)
    {
        RunResult r = RunHost({"process", kPlugin, in, dir.path(c.name)});
        ASSERT_EQ(r.status, 0) << c.name << ": " << r.err;
        SF_INFO info{};
        SNDFILE* f = sf_open(dir.path(c.name).c_str(), SFM_READ, &info);
        ASSERT_NE(f, nullptr) << c.name;
        EXPECT_EQ(info.format & (SF_FORMAT_TYPEMASK | SF_FORMAT_SUBMASK), c.format) << c.name;
        const char* title = sf_get_string(f, SF_STR_TITLE);
        const char* artist = sf_get_string(f, SF_STR_ARTIST);
        EXPECT_STREQ(title ? title : "", "Evening News") << c.name;
        EXPECT_STREQ(artist ? artist : "", "Tessel") << c.name;
        sf_close(f);
    }
    // And back: FLAC in, WAV out.
    ASSERT_EQ(RunHost({"process", kPlugin, dir.path("a.flac"), dir.path("e.wav")}).status, 0);
    Audio e;
    ASSERT_TRUE(ReadAudio(dir.path("e.wav"), e));
    EXPECT_EQ(e.format, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
    expectFailure(RunHost({"process", kPlugin, in, dir.path("f.mp4")}), 1,
                  "no audio format has the extension .mp4");
}
