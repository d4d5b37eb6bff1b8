#pragma once
// The runtime's only diagnostic output: one appended line per event in "vesk.log.txt".
//
// Windows: "\vesk.log.txt", the root of the current drive, then a 200 ms beep at 2000 Hz.
// Linux has no current-drive root and no system beep: the log is "/tmp/vesk.log.txt" (always
// there and writable, needs no configuration) and there is no sound.

#include <string>

// [UI thread] Appends `text` and a line end to the log file; does nothing when the file cannot be
// opened (then there is no beep either). Blocks for the beep's 200 ms on Windows.
void WriteLog(const std::string& text);

// [any thread] The log file's path as WriteLog opens it.
const char* LogFilePath();
