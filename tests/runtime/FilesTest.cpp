// File slots (write, read, flush bytes), data paths next to the library, and the debug log.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <limits>

#include "TestHelpers.h"
#include "runtime/Xlat.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#endif

TEST(FileSlots, WriteReadAndModesFollowTheSlotRules)
{
    TXlat rt;
    ASSERT_EQ(rt.files.size(), 1u);
    double v = 5;
    EXPECT_FALSE(rt.FileWrite(0, 1.0)); // closed
    EXPECT_FALSE(rt.FileRead(0, v));
    EXPECT_FALSE(rt.FileVar(0, v));
    EXPECT_FALSE(rt.FileWrite(1, 1.0)); // no such slot
    EXPECT_FALSE(rt.FileWrite(-1, 1.0));
    EXPECT_EQ(rt.FileMode(7), FileSlot::kClosed);
    EXPECT_EQ(rt.FileLength(-3), 0);

    rt.ResetSlot(0, FileSlot::kWrite);
    EXPECT_TRUE(rt.FileWrite(0, 1.5));
    rt.files[0].position = 4; // a gap fills with zeros
    EXPECT_TRUE(rt.FileVar(0, v));
    EXPECT_EQ(rt.files[0].buffer, (std::vector<float>{1.5f, 0, 0, 0, 5.0f}));
    EXPECT_EQ(rt.files[0].position, 5);
    EXPECT_FALSE(rt.FileRead(0, v)); // not in read mode

    rt.files[0].mode = FileSlot::kRead;
    rt.files[0].position = 0;
    double a = 0, b = 0;
    EXPECT_TRUE(rt.FileRead(0, a));
    EXPECT_TRUE(rt.FileVar(0, b));
    EXPECT_EQ(a, 1.5);
    EXPECT_EQ(b, 0.0);
    rt.files[0].position = 5;
    double kept = 8;
    EXPECT_FALSE(rt.FileRead(0, kept)); // past the end: unchanged
    EXPECT_EQ(kept, 8.0);
    rt.files[0].position = -2;
    EXPECT_FALSE(rt.FileRead(0, kept));
    rt.files[0].mode = FileSlot::kWrite;
    EXPECT_FALSE(rt.FileWrite(0, 1.0)); // a broken position never indexes the buffer
    rt.files[0].position = CXlatFiles::kMaxSlotValues;
    EXPECT_FALSE(rt.FileWrite(0, 1.0));

    // A shared value (a slider) goes through the same rules: written as it is, read back whole,
    // and left alone past the end.
    rt.ResetSlot(0, FileSlot::kWrite);
    SharedDouble shared = -2.5;
    EXPECT_TRUE(rt.FileVar(0, shared));
    EXPECT_EQ(shared, -2.5);
    rt.files[0].mode = FileSlot::kRead;
    rt.files[0].position = 0;
    shared = 9.0;
    EXPECT_TRUE(rt.FileVar(0, shared));
    EXPECT_EQ(shared, -2.5);
    shared = 9.0;
    EXPECT_FALSE(rt.FileVar(0, shared));
    EXPECT_EQ(shared, 9.0);

    rt.ResetSlot(0, FileSlot::kClosed);
    EXPECT_TRUE(rt.files[0].buffer.empty());
    EXPECT_EQ(rt.files[0].position, 0);
    EXPECT_TRUE(rt.files[0].path.empty());
}

TEST(FileSlots, FlushWritesOneBytePerValueOnResetAndOnDestruction)
{
    const std::string name = UniqueTag("rt_flush") + ".bin";
    const std::string path = DataPath(name);
    {
        TXlat rt;
        rt.ResetSlot(0, FileSlot::kWrite);
        rt.files[0].path = "\\" + name; // a leading separator names the same file
        for (double v : {65.0, 66.4, -1.0, -0.5, 255.99995, 256.0, 1e20,
                         std::numeric_limits<double>::quiet_NaN()})
            rt.FileWrite(0, v);
        rt.ResetSlot(0, FileSlot::kRead);
        EXPECT_EQ(ReadFileBytes(path),
                  (std::vector<unsigned char>{0x41, 0x42, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00}));
        std::remove(path.c_str());

        // Slot 0 left in write mode with a name is written before a chunk reuses it.
        rt.files[0].path = name;
        rt.files[0].mode = FileSlot::kWrite;
        rt.files[0].buffer = {1.0f, 2.0f};
        void* data = nullptr;
        EXPECT_EQ(rt.GetState(&data), 0);
        EXPECT_EQ(ReadFileBytes(path), (std::vector<unsigned char>{0x01, 0x02}));
        std::remove(path.c_str());

        // A read-mode slot is never written; a write-mode one is, when the runtime goes.
        rt.files.emplace_back();
        rt.files[1].path = name;
        rt.files[1].mode = FileSlot::kRead;
        rt.files[1].buffer = {9.0f};
        rt.FlushSlot(1);
        EXPECT_TRUE(ReadFileBytes(path).empty());
        rt.files[1].mode = FileSlot::kWrite;
        rt.files[1].buffer = {67.0f};
    }
    EXPECT_EQ(ReadFileBytes(path), (std::vector<unsigned char>{0x43}));
    std::remove(path.c_str());

    // A file that cannot be opened fails silently.
    TXlat rt;
    rt.files[0].path = "rt_no_such_folder/x.bin";
    rt.files[0].mode = FileSlot::kWrite;
    rt.files[0].buffer = {1.0f};
    rt.FlushSlot(0);
    rt.ResetSlot(0, FileSlot::kClosed);
}

TEST(ModulePaths, DataPathIsTheLibraryFolderFollowedByTheName)
{
    const std::string folder = LibraryFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(folder.back() == '/' || folder.back() == '\\');
    // The test program carries the runtime, so its folder is the library folder.
    namespace fs = std::filesystem;
#ifdef _WIN32
    EXPECT_EQ(fs::path(folder), fs::path(folder).parent_path() / "");
#else
    char exe[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", exe, sizeof exe - 1), 0);
    EXPECT_EQ(folder, fs::path(exe).parent_path().string() + "/");
#endif
    EXPECT_EQ(DataPath("\\a.png"), DataPath("a.png"));
    EXPECT_EQ(DataPath("/a.png"), folder + "a.png");
    EXPECT_EQ(DataPath(""), folder);
#ifdef _WIN32
    EXPECT_EQ(DataPath("quar2_gfx\\bg.png"), folder + "quar2_gfx\\bg.png");
#else
    EXPECT_EQ(DataPath("quar2_gfx\\bg.png"), folder + "quar2_gfx/bg.png");
#endif
}

TEST(ModulePaths, ListFolderSkipsDotEntriesAndFoldersAndToleratesMissingSeparator)
{
    ScratchFolder folder("rt_list");
    folder.addFile("one.txt");
    folder.addFile(".two");
    folder.addFolder("three");
    std::vector<std::string> withSeparator, withoutSeparator, missing;
    ListFolder(folder.full(), withSeparator);
    std::string bare = folder.full();
    bare.pop_back();
    ListFolder(bare, withoutSeparator);
    ListFolder(folder.full() + "nothing_here", missing);
    ListFolder("", missing);
    EXPECT_EQ(withSeparator, (std::vector<std::string>{"one.txt"}));
    EXPECT_EQ(withoutSeparator, withSeparator);
    EXPECT_TRUE(missing.empty());
}

#ifndef _WIN32
namespace
{
// Sets an environment variable for one scope and puts the old value back.
class ScopedEnv
{
  public:
    ScopedEnv(const char* name, const char* value) : name(name)
    {
        const char* old = std::getenv(name);
        hadOld = old != nullptr;
        if (hadOld) oldValue = old;
        if (value != nullptr)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (hadOld)
            setenv(name, oldValue.c_str(), 1);
        else
            unsetenv(name);
    }

  private:
    const char* name;
    bool hadOld = false;
    std::string oldValue;
};
} // namespace

TEST(DebugLog, LinuxLogAppendsToAPrivateFileInTheUsersStateFolder)
{
    ScratchFolder home("rt_home");
    const std::string state = home.full() + "state";
    {
        // $XDG_STATE_HOME when absolute: the folders are made, private to the user.
        ScopedEnv xdg("XDG_STATE_HOME", state.c_str());
        const std::string path = state + "/quar2/vesk.log.txt";
        EXPECT_EQ(std::string(LogFilePath()), path);
        const std::string line = "Unable to load: " + UniqueTag("/plugins/quar2_gfx/bg.png");
        WriteLog(line);
        EXPECT_EQ(LastLine(path), line);
        WriteLog(line + " again");
        EXPECT_EQ(LastLine(path), line + " again");
        struct stat st
        {
        };
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0077, 0u) << "the log is readable by others";
    }
    {
        // Otherwise (unset, or a relative path, which is to be ignored) $HOME/.local/state.
        ScopedEnv homeEnv("HOME", home.full().c_str());
        for (const char* xdg : {static_cast<const char*>(nullptr), "relative/state"})
        {
            ScopedEnv xdgEnv("XDG_STATE_HOME", xdg);
            const std::string path = home.full() + ".local/state/quar2/vesk.log.txt";
            EXPECT_EQ(std::string(LogFilePath()), path);
            const std::string line = UniqueTag("home");
            WriteLog(line);
            EXPECT_EQ(LastLine(path), line);
        }
        // Neither known: nothing is written anywhere, and nothing breaks.
        ScopedEnv noHome("HOME", nullptr);
        ScopedEnv noXdg("XDG_STATE_HOME", nullptr);
        EXPECT_STREQ(LogFilePath(), "");
        WriteLog("nowhere");
    }
}

TEST(DebugLog, LinuxLogNeverWritesThroughALinkOrIntoAnythingButAPlainFile)
{
    ScratchFolder state("rt_state");
    ScopedEnv xdg("XDG_STATE_HOME", state.full().c_str());
    const std::string path = state.full() + "quar2/vesk.log.txt";
    ASSERT_EQ(std::string(LogFilePath()), path);
    std::filesystem::create_directories(state.full() + "quar2");

    // Another user's link at the log's name, to a file of the victim's: nothing goes through.
    const std::string victim = state.full() + "victim.txt";
    {
        std::ofstream(victim) << "precious\n";
    }
    std::filesystem::create_symlink(victim, path);
    WriteLog("Unable to load: planted");
    EXPECT_EQ(LastLine(victim), "precious");
    EXPECT_EQ(std::filesystem::file_size(victim), 9u);
    EXPECT_TRUE(std::filesystem::is_symlink(path));
    // A dangling link is not followed to create its target either.
    std::filesystem::remove(path);
    std::filesystem::create_symlink(state.full() + "created.txt", path);
    WriteLog("Unable to load: dangling");
    EXPECT_FALSE(std::filesystem::exists(state.full() + "created.txt"));

    // A FIFO there neither blocks the editor nor takes the line.
    std::filesystem::remove(path);
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    WriteLog("Unable to load: fifo"); // returns at once: no reader, no wait
    std::filesystem::remove(path);
}
#endif
