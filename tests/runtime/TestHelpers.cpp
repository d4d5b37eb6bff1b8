#include "TestHelpers.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "runtime/ModulePath.h"

#ifdef _WIN32
#include <process.h>
#define QUAR2_PID _getpid()
#else
#include <unistd.h>
#define QUAR2_PID getpid()
#endif

namespace fs = std::filesystem;

std::string UniqueTag(const std::string& stem)
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    return stem + "_" + std::to_string(QUAR2_PID) + "_" + std::to_string(now % 1000000007);
}

ScratchFolder::ScratchFolder(const std::string& stem) : name(UniqueTag(stem))
{
    fs::create_directories(fs::path(LibraryFolder()) / name);
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    fs::remove_all(fs::path(LibraryFolder()) / name, ignored);
}

std::string ScratchFolder::full() const
{
    return (fs::path(LibraryFolder()) / name).string() +
           static_cast<char>(fs::path::preferred_separator);
}

void ScratchFolder::addFile(const std::string& fileName, const std::string& contents) const
{
    std::ofstream(fs::path(full()) / fileName, std::ios::binary) << contents;
}

void ScratchFolder::addFolder(const std::string& folderName) const
{
    fs::create_directories(fs::path(full()) / folderName);
}

std::vector<unsigned char> ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in),
                                      std::istreambuf_iterator<char>());
}

std::string LastLine(const std::string& path)
{
    std::ifstream in(path);
    std::string line, last;
    while (std::getline(in, line))
    {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) last = line;
    }
    return last;
}
