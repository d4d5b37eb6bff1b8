// File slots (write, read, flush bytes), data paths next to the library, and the debug log.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <limits>

#include "TestHelpers.h"
#include "runtime/Xlat.h"

#ifndef _WIN32
#include <unistd.h>
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
TEST(DebugLog, LinuxLogAppendsOneLinePerEntryInTmp)
{
    EXPECT_STREQ(LogFilePath(), "/tmp/vesk.log.txt");
    const std::string line = "Unable to load: " + UniqueTag("/plugins/quar2_gfx/bg.png");
    WriteLog(line);
    EXPECT_EQ(LastLine(LogFilePath()), line);
    WriteLog(line + " again");
    EXPECT_EQ(LastLine(LogFilePath()), line + " again");
}
#endif
