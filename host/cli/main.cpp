// quar2-host: runs VST 2.4 plug-ins (QUAR2 and others) on audio files from the command line.

#include "host/cli/Commands.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char* kUsage =
    "usage: quar2-host COMMAND ...\n"
    "  info PLUGIN                        effect record, names and parameters\n"
    "  process PLUGIN IN OUT [options]    level an audio file through the plug-in\n"
    "      --set NAME=VALUE   set a parameter by name, value as the plug-in shows it\n"
    "      --preset FILE.fxp  load a preset first; --save-preset FILE.fxp saves the state used\n"
    "      --block N          frames per block (default 512)\n"
    "      --levels FILE.csv  per-block input level, output level and gain\n"
    "      --keep-latency     leave the plug-in's latency in the output\n"
    "  bench PLUGIN [PLUGIN ...]          speed on a minute of stereo speech-like audio\n"
    "  render-editor PLUGIN.dll OUT.png [--input FILE] [--seconds S]\n"
    "                                     picture of the editor while audio plays\n"
    "PLUGIN is a Linux .so, or a Windows .dll run under Wine through quar2-bridge.exe.";

} // namespace

int reportFailure(const std::string& message, int status)
{
    std::fflush(stdout);
    std::fprintf(stderr, "quar2-host: %s\n", message.c_str());
    return status;
}

int main(int argc, char** argv)
{
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fprintf(argc < 2 ? stderr : stdout, "%s\n", kUsage);
        return argc < 2 ? 2 : 0;
    }
    const std::string command = argv[1];
    if (command == "info")
        return runInfo(argc - 2, argv + 2);
    if (command == "process")
        return runProcess(argc - 2, argv + 2);
    if (command == "bench")
        return runBench(argc - 2, argv + 2);
    if (command == "render-editor")
        return runRenderEditor(argc - 2, argv + 2);
    return reportFailure("unknown command \"" + command + "\"\n" + kUsage, 2);
}
