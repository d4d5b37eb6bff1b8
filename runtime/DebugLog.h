#pragma once
// The runtime's only diagnostic output: one appended line per event in "vesk.log.txt".
//
// Windows: "\vesk.log.txt", the root of the current drive, then a 200 ms beep at 2000 Hz.
// Linux has no current-drive root and no system beep: the log is "quar2/vesk.log.txt" in the
// user's state folder ($XDG_STATE_HOME when absolute, else $HOME/.local/state), made (private to
// the user) when missing, and there is no sound. The file is opened without following a link and
// written only when it is a plain file, so nobody can redirect the lines into another file by
// planting a link (as a fixed name in a shared folder such as /tmp would allow).

#include <string>

// [UI thread] Appends `text` and a line end to the log file; does nothing when the file cannot be
// opened (then there is no beep either). Blocks for the beep's 200 ms on Windows.
void WriteLog(const std::string& text);

// [any thread] The log file's path as WriteLog opens it; on Linux read from the environment at
// each call (empty when it names no state folder), valid until the thread's next call.
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
