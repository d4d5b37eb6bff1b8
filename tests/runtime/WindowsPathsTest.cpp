// Windows-only paths, run under Wine: the library folder from the module handle, the directory
// search behind folder sliders, and the debug log at the root of the current drive.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "TestHelpers.h"
#include "runtime/ModuleHandle.h"
#include "runtime/Xlat.h"

namespace
{

std::string ModuleFolder()
{
    char path[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path);
    return s.substr(0, s.find_last_of('\\') + 1);
}

} // namespace

TEST(WindowsPaths, LibraryFolderComesFromTheModuleHandle)
{
    void* saved = hInstance;
    hInstance = GetModuleHandleA(nullptr);
    const std::string folder = LibraryFolder();
    EXPECT_EQ(folder, ModuleFolder());
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_EQ(DataPath("\\quar2_gfx\\bg.png"), folder + "quar2_gfx\\bg.png");
    EXPECT_EQ(DataPath("quar2_gfx\\bg.png"), folder + "quar2_gfx\\bg.png");
    // A handle of another module gives that module's folder.
    hInstance = GetModuleHandleA("kernel32.dll");
    std::string system = LibraryFolder();
    std::transform(system.begin(), system.end(), system.begin(), ::tolower);
    EXPECT_NE(system.find("system32\\"), std::string::npos) << system;
    hInstance = saved;
}

TEST(WindowsPaths, FolderSliderListsRegularFilesThroughTheDirectorySearch)
{
    hInstance = GetModuleHandleA(nullptr);
    ScratchFolder folder("rt_win_slider");
    folder.addFile("impulse b.wav");
    folder.addFile("impulse a.wav");
    folder.addFile(".skip");
    folder.addFolder("nested");

    TXlat rt;
    rt.AddSlider(6, nullptr, 1, 0, 4, 1, folder.relative(), "", "", "Impulse");
    rt.AddSlider(7, nullptr, 1, 0, 4, 1, folder.relative() + "\\", "", "", "Impulse 2");
    rt.AddSlider(8, nullptr, 1, 0, 4, 1, "rt_missing_win_folder", "", "", "None");
    for (int i = 0; i < 2; ++i)
    {
        std::vector<std::string> names = rt.sliderRecords[i].enumNames;
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"impulse a.wav", "impulse b.wav"}));
        EXPECT_EQ(rt.sliderRecords[i].maximum, 1.0);
        EXPECT_EQ(rt.sliderRecords[i].step, 0.5);
    }
    EXPECT_EQ(rt.sliderRecords[2].enumNames, (std::vector<std::string>{"(No Data Files)"}));
}

TEST(WindowsPaths, LogGoesToTheRootOfTheCurrentDrive)
{
    // Inside Wine, C:\ is the prefix's drive, never the real file system root.
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
    EXPECT_STREQ(LogFilePath(), "\\vesk.log.txt");
    const std::string line = "Unable to load: " + ModuleFolder() + UniqueTag("quar2_gfx\\bg.png");
    WriteLog(line);
    EXPECT_EQ(LastLine("C:\\vesk.log.txt"), line);
    // Text mode: the line ends with CR LF on disk.
    const std::vector<unsigned char> bytes = ReadFileBytes("C:\\vesk.log.txt");
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[bytes.size() - 2], '\r');
    EXPECT_EQ(bytes[bytes.size() - 1], '\n');
    SetCurrentDirectoryA(previous);
}
