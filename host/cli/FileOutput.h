#pragma once
// Output files that appear only when complete: everything is written under a temporary name in
// the target's folder and renamed into place at the end, so an interrupted or failed run never
// leaves a truncated file where the user expects a result.

#include <cstddef>
#include <string>

// A temporary file beside `target`. The destructor removes it unless commit() renamed it; an
// interrupt (SIGINT, SIGTERM, SIGHUP) removes every pending file before the program ends.
class CPendingFile
{
public:
    explicit CPendingFile(const std::string& target);
    ~CPendingFile();
    CPendingFile(const CPendingFile&) = delete;
    CPendingFile& operator=(const CPendingFile&) = delete;

    // False when the temporary file could not be created; error() says why.
    bool ok() const { return fd_ >= 0 || committed_; }
    // The temporary file's path (exists, empty) and an open descriptor for it.
    const std::string& tempPath() const { return temp_; }
    int fd() const { return fd_; }
    // Closes the descriptor (if still open) and renames the file to the target. [any thread]
    bool commit(std::string& error);
    const std::string& error() const { return error_; }

private:
    std::string target_;
    std::string temp_;
    std::string error_;
    int fd_ = -1;
    int slot_ = -1; // entry in the list an interrupt cleans up
    bool committed_ = false;
};

// Writes `size` bytes to `path` through a CPendingFile. [any thread]
bool writeFileAtomically(const std::string& path, const void* data, size_t size,
                         std::string& error);
