#pragma once
// What an output path names, examined before anything is processed: whether it may be written,
// whether it may be replaced, and whether it is the same file as an input or another output.

#include <string>
#include <sys/types.h>
#include <vector>

// What an output path names, found before any processing.
struct OutputTarget
{
    enum Kind
    {
        Missing,
        Regular,
        Stream
    };
    std::string given; // as the user wrote it; "-" is standard output
    std::string path;  // where the data goes (links followed); empty for standard output
    Kind kind = Missing;
    bool exists = false; // Regular or Stream that exists: the fields below are valid
    dev_t device = 0;
    ino_t inode = 0;
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
    // The missing target's folder (links followed) and name, for telling missing outputs apart.
    std::string canonical;
};

// Examines `given` for writing. Refuses, with a one-line reason naming the path: a folder, a
// missing or unwritable folder, a read-only file, and an existing file when `noClobber`.
bool examineOutput(const std::string& given, bool noClobber, OutputTarget& target,
                   std::string& error);

// One path the program reads: its label for messages ("the input") and the path ("-" is
// standard input).
struct InputPath
{
    std::string label;
    std::string path;
};

// Refuses any output that is the same file as an input or as another output, comparing device
// and inode (names may differ through links, "..", hard links or standard input/output).
bool checkDistinctFiles(const std::vector<InputPath>& inputs,
                        const std::vector<const OutputTarget*>& outputs, std::string& error);

// The folder part of `path` ("." without one, "/" for a file in the root) and its last name.
std::string folderOf(const std::string& path);
std::string baseOf(const std::string& path);
