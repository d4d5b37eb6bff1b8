#pragma once
// What the editor tests of every format do to an open editor window from outside, as the system
// would: a left click delivered as pointer motion, press and release, and the count of the
// process's open descriptors (each X connection is one) to see that closing leaves none behind.

#include <functional>

// Opens the connection clicks are posted through (Linux; kept until the program ends) so that a
// descriptor count taken afterwards does not see it appear; false without an X server.
bool PrepareToPost();

// The pointer comes to (x, y) of `window` (an HWND on Windows, an X window id on Linux), rests,
// and the left button goes down and up; `run(ms)` turns the host's loop in between (150 ms).
void PostLeftClick(void* window, int x, int y, const std::function<void(int)>& run);

// The number of open file descriptors of this process (Linux); 0 on Windows, where the tests
// count windows instead.
int OpenFileCount();
