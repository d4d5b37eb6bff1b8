#pragma once
// Data-file slots. Slot 0 carries the state chunk: the serialize hook writes and reads it value by
// value. A slot in write mode with a file name is written out when it is reset or destroyed.

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/SharedDouble.h"
#include "runtime/XlatStrings.h"

// One data-file handle.
struct FileSlot
{
    // Slot modes.
    static constexpr int32_t kClosed = 0;
    static constexpr int32_t kRead = 1;
    static constexpr int32_t kWrite = 2;

    // File name relative to the library folder; empty for the state chunk.
    std::string path;
    // Next element to read or write.
    int32_t position = 0;
    // The file's contents as values.
    std::vector<float> buffer;
    // kClosed, kRead or kWrite.
    int32_t mode = kClosed;
};

class CXlatFiles : public CXlatStrings
{
  public:
    // Largest number of values a slot holds (16 Mi floats, 64 MiB); writes beyond it are dropped.
    static constexpr int32_t kMaxSlotValues = 16 * 1024 * 1024;

    CXlatFiles() : files(1) {}
    // Writes out every write-mode slot that has a file name.
    ~CXlatFiles();

    // [UI thread] Writes `value` at the slot's position (growing the buffer with zeros as needed)
    // and advances; only in write mode. Answers true when the value was stored.
    bool FileWrite(int32_t slot, double value);
    // [UI thread] In read mode with the position inside the buffer: stores the element (widened to
    // double) in `variable`, advances and answers true. Otherwise `variable` keeps its value.
    bool FileRead(int32_t slot, double& variable);
    // [UI thread] The serialize hook's one call per variable: writes `variable` in write mode,
    // reads into it in read mode (see FileWrite, FileRead).
    bool FileVar(int32_t slot, double& variable);
    // The same for a value other threads share (a slider value): one load, and in read mode one
    // store (writing a chunk never stores, so it cannot undo a change made meanwhile).
    bool FileVar(int32_t slot, SharedDouble& variable)
    {
        double value = variable;
        const bool done = FileVar(slot, value);
        if (done && FileMode(slot) == FileSlot::kRead) variable = value;
        return done;
    }
    // [any thread] The slot's mode, kClosed for a slot that does not exist.
    int32_t FileMode(int32_t slot) const;
    // [UI thread] Values the slot holds; 0 for a slot that does not exist.
    int32_t FileLength(int32_t slot) const;

    // [UI thread] If the slot is in write mode and has a file name, writes its buffer to
    // DataPath(path): one byte per value, the value as an integer (ScriptInt), low 8 bits.
    // Failures are silent.
    void FlushSlot(int32_t slot);
    // [UI thread] Flushes the slot, empties its path and buffer, sets position 0 and `mode`.
    void ResetSlot(int32_t slot, int32_t mode);

    std::vector<FileSlot> files;

  protected:
    FileSlot* Slot(int32_t slot);
    const FileSlot* Slot(int32_t slot) const;
};
