#pragma once
// Shared pieces of the runtime tests: the shared fake host adapter and scratch folders next to
// the test program (the runtime's library folder is the program's folder when it is linked
// statically).

#include <string>
#include <vector>

#include "tests/support/FakeHost.h"

// A fresh, empty folder inside the library folder, named after `stem` and the process id (so
// that parallel test programs never share one), removed again by the destructor.
class ScratchFolder
{
  public:
    explicit ScratchFolder(const std::string& stem);
    ~ScratchFolder();
    // Name relative to the library folder (no trailing separator).
    const std::string& relative() const { return name; }
    // Full path with a trailing separator.
    std::string full() const;
    void addFile(const std::string& fileName, const std::string& contents = "x") const;
    void addFolder(const std::string& folderName) const;

  private:
    std::string name;
};

// Bytes of a file, empty when it cannot be read.
std::vector<unsigned char> ReadFileBytes(const std::string& path);
// Last non-empty line of a text file, empty when there is none.
std::string LastLine(const std::string& path);
// A text unique to this run, for log lines and file names.
std::string UniqueTag(const std::string& stem);
