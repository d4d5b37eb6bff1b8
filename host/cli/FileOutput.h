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

#include "host/cli/OutputTarget.h"
#include "host/cli/PendingCleanup.h"

#include <cstddef>
#include <string>
#include <vector>

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
