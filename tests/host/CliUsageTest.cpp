// End-to-end tests of quar2-host's usage: every command's help against the README, and the
// progress bar on a narrow terminal.

#include "CliCommandSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <regex>
#include <sys/wait.h>
#include <unistd.h>

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
