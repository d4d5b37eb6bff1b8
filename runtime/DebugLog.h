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

// A precondition the caller guarantees: what a host hands in is checked once, where it enters
// (the dispatcher), and the layers behind it state what they rely on with QUAR2_EXPECTS. A debug
// build writes one log line naming the broken condition and stops; a release build assumes it.
[[noreturn]] void PreconditionFailed(const char* condition, const char* function);
#ifdef NDEBUG
#define QUAR2_EXPECTS(condition) ((void)0)
#else
#define QUAR2_EXPECTS(condition) ((condition) ? (void)0 : PreconditionFailed(#condition, __func__))
#endif
