#pragma once
// The running quar2-bridge.exe: started under Wine with pipes for its standard input and
// output, its standard error collected in an unlinked temporary file under TMPDIR (Wine's
// helper processes inherit the bridge's handles and may outlive it; a file cannot keep a
// caller's pipe open). A bridge
// that dies is noticed while we wait for its answer.

#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

class CBridgeProcess
{
  public:
    // Finds the bridge program (QUAR2_BRIDGE, else beside the DLL, else beside quar2-host, else
    // the build tree's win64 folder) and Wine (QUAR2_WINE, else "wine" on the PATH) and starts
    // the bridge for `dllPath`. Null with a one-line reason on failure.
    static std::unique_ptr<CBridgeProcess> start(const std::string& dllPath, std::string& error);
    // Asks nothing more; closes the pipes and waits a moment for the bridge to end, then ends it.
    ~CBridgeProcess();

    // One request and its response. False with a one-line reason when the bridge died or the
    // response is malformed.
    bool exchange(uint32_t command, const std::vector<uint8_t>& payload, uint32_t& status,
                  std::vector<uint8_t>& response, std::string& error);
    // Waits for one response (the greeting after start-up).
    bool receive(uint32_t& status, std::vector<uint8_t>& response, std::string& error);

    // "Z:\dir\file.dll" for an absolute Linux path: how a Windows program under Wine names it.
    static std::string windowsPath(const std::string& path);

  private:
    CBridgeProcess() = default;
    bool readAll(void* data, size_t size, std::string& error);
    bool writeAll(const void* data, size_t size, std::string& error);
    // The reason for a bridge that stopped answering: its exit and the last thing it said.
    std::string deathReason();

    pid_t bridgePid = -1;
    int toBridge = -1;
    int fromBridge = -1;
    std::string pluginDll;
    int stderrFd = -1; // the bridge's standard error, an unlinked file under TMPDIR
    bool exited = false;
    int exitStatus = 0;
};
