#pragma once
// The temporary files of the outputs being written, removed whatever ends the program: an
// interrupt (SIGINT, SIGTERM, SIGHUP, SIGQUIT), a crash of a plug-in running in this process, or
// an exit() it calls.

#include <string>

// [any thread] Adds `path` to the files removed if the program ends early; the slot to forget
// it by, or -1 when there is no room (the file is then not cleaned up). The first call installs
// the interrupt handlers.
int rememberPendingFile(const std::string& path);
// [any thread] Removes the entry of `slot` (-1: nothing).
void forgetPendingFile(int slot);

// A plug-in whose code runs in this process: from now on a crash (segmentation fault, bus
// error, arithmetic fault, illegal instruction, abort) or an exit() called from it removes the
// pending temporary files and ends the program with status 1 and one line naming the plug-in.
void watchPluginFailures(const std::string& pluginPath);
// main() calls this before it returns, so that its own exit is not taken for the plug-in's.
void markNormalExit();
