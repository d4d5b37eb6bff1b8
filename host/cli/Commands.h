#pragma once
// The subcommands of quar2-host. Each takes the arguments after its name and answers the
// process exit status: 0 on success, 1 on failure (after one error line on standard error),
// 2 for a usage error.

#include <string>

int runInfo(int argc, char** argv);
int runProcess(int argc, char** argv);
int runBench(int argc, char** argv);
int runRenderEditor(int argc, char** argv);

// Prints "quar2-host: MESSAGE" on standard error and answers `status`.
int reportFailure(const std::string& message, int status = 1);
