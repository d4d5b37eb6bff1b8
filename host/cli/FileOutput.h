#pragma once
// Output files that never harm what the user had. Every output is examined before anything is
// processed (what the path names, whether it may be replaced), written completely under a
// temporary name, and only then put in place:
//  - a regular file (or a missing one) is written beside its target and renamed over it, so it
//    appears whole or not at all; an existing file keeps its mode and owner;
//  - a device, a FIFO or standard output ("-") cannot be renamed over: the data is collected in a
//    temporary file under TMPDIR (already unlinked, so nothing is ever left behind) and streamed
//    into the target at the end;
//  - a symbolic link is followed: the file it points to is written, the link stays.
// An interrupt, a crash of a plug-in running in this process, or an exit() it calls removes
// every pending temporary file before the program ends.

#include <cstddef>
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

// A temporary file for one output; the destructor removes it unless commit() put it in place.
class CPendingFile
{
  public:
    explicit CPendingFile(const OutputTarget& target);
    // Examines `target` first (replacing an existing file is allowed).
    explicit CPendingFile(const std::string& target);
    ~CPendingFile();
    CPendingFile(const CPendingFile&) = delete;
    CPendingFile& operator=(const CPendingFile&) = delete;

    // False when the temporary file could not be created; error() says why.
    bool ok() const { return fileDescriptor >= 0 || committed; }
    // The temporary file's path (empty for a stream's, which is unlinked at once) and an open
    // descriptor for it.
    const std::string& tempPath() const { return temporaryPath; }
    int fd() const { return fileDescriptor; }
    bool isStream() const { return destination.kind == OutputTarget::Stream; }
    // Flushes the data to disk and puts it in place: renames it over a file, or streams it into
    // a device, FIFO or standard output. [any thread]
    bool commit(std::string& error);
    const std::string& error() const { return errorText; }

  private:
    void create();
    bool streamOut(std::string& error);
    OutputTarget destination;
    std::string temporaryPath;
    std::string errorText;
    int fileDescriptor = -1;
    int cleanupSlot = -1; // entry in the list an interrupt cleans up
    bool committed = false;
};

// Commits several outputs together: the streams first (they may fail, for example on a full
// device), then the renames, so that a failure leaves the user's files as they were as far as
// possible. [any thread]
bool commitAll(const std::vector<CPendingFile*>& files, std::string& error);

// Writes `size` bytes to `path` through a CPendingFile. [any thread]
bool writeFileAtomically(const std::string& path, const void* data, size_t size,
                         std::string& error);
// Writes all of `size` bytes to `fd`; false with errno set on failure.
bool writeAll(int fd, const void* data, size_t size);

// The folder for temporary files: TMPDIR when set, otherwise /tmp.
std::string temporaryFolder();
// An anonymous temporary file under temporaryFolder() (created and unlinked at once, so it
// never outlives the program); -1 with errno on failure.
int anonymousTemporaryFile();

// A plug-in whose code runs in this process: from now on a crash (segmentation fault, bus
// error, arithmetic fault, illegal instruction, abort) or an exit() called from it removes the
// pending temporary files and ends the program with status 1 and one line naming the plug-in.
void watchPluginFailures(const std::string& pluginPath);
// main() calls this before it returns, so that its own exit is not taken for the plug-in's.
void markNormalExit();
