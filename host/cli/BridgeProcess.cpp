#include "host/cli/BridgeProcess.h"

#include "host/lib/BridgeProtocol.h"
#include "host/cli/FileOutput.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

bool isFile(const std::string& path)
{
    struct stat st
    {
    };
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string folderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string absolute(const std::string& path)
{
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) != nullptr ? resolved : path;
}

std::string findBridge(const std::string& dll, std::vector<std::string>& tried)
{
    std::vector<std::string> candidates;
    if (const char* env = std::getenv("QUAR2_BRIDGE"); env != nullptr && *env != '\0')
        candidates.push_back(env);
    candidates.push_back(folderOf(dll) + "/quar2-bridge.exe");
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0)
    {
        self[n] = '\0';
        candidates.push_back(folderOf(self) + "/quar2-bridge.exe");
    }
#ifdef QUAR2_BUILD_TREE_BRIDGE
    candidates.push_back(QUAR2_BUILD_TREE_BRIDGE);
#endif
    for (const std::string& c : candidates)
    {
        tried.push_back(c);
        if (isFile(c)) return c;
    }
    return {};
}

// The last non-empty line written to the file open as `fd`.
std::string lastLine(int fd)
{
    std::string text;
    char buffer[4096];
    for (off_t at = 0;;)
    {
        const ssize_t n = pread(fd, buffer, sizeof buffer, at);
        if (n <= 0) break;
        text.append(buffer, size_t(n));
        at += n;
        if (text.size() > (1u << 20)) text.erase(0, text.size() - 4096);
    }
    std::string last;
    size_t start = 0;
    while (start < text.size())
    {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        if (!line.empty()) last = line;
        start = end + 1;
    }
    return last.size() > 200 ? last.substr(0, 200) + "..." : last;
}

} // namespace

std::string CBridgeProcess::windowsPath(const std::string& path)
{
    std::string p = "Z:" + path;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

std::unique_ptr<CBridgeProcess> CBridgeProcess::start(const std::string& dllPath,
                                                      std::string& error)
{
    const std::string dll = absolute(dllPath);
    std::vector<std::string> tried;
    const std::string bridge = findBridge(dll, tried);
    if (bridge.empty())
    {
        std::string where;
        for (const std::string& t : tried)
            where += (where.empty() ? "" : ", ") + t;
        error = dllPath + ": cannot run a Windows plug-in: quar2-bridge.exe not found (looked at " +
                where + "; set QUAR2_BRIDGE)";
        return nullptr;
    }
    const char* wineEnv = std::getenv("QUAR2_WINE");
    const std::string wine = wineEnv != nullptr && *wineEnv != '\0' ? wineEnv : "wine";

    // A dead bridge must show up as an error on write, not end us with SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    std::unique_ptr<CBridgeProcess> p(new CBridgeProcess());
    p->pluginDll = dllPath;
    // The bridge's standard error goes to a file under TMPDIR that is unlinked at once: it is
    // read through our descriptor and vanishes with the program however it ends.
    const int errFd = anonymousTemporaryFile();
    if (errFd < 0)
    {
        error = dllPath + ": cannot start the Wine bridge: no temporary file in " +
                temporaryFolder() + ": " + std::strerror(errno);
        return nullptr;
    }
    int toChild[2], fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0)
    {
        error = dllPath + ": cannot start the Wine bridge: " + std::strerror(errno);
        close(errFd);
        return nullptr;
    }
    p->stderrFd = errFd;
    const std::string winDll = windowsPath(dll);
    const pid_t pid = fork();
    if (pid == 0)
    {
        dup2(toChild[0], 0);
        dup2(fromChild[1], 1);
        dup2(errFd, 2);
        setenv("WINEDEBUG", "-all", 0);
        // No prompts to install Wine's .NET or HTML engines when a new prefix is made.
        setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 0);
        execlp(wine.c_str(), wine.c_str(), bridge.c_str(), winDll.c_str(),
               static_cast<char*>(nullptr));
        std::fprintf(stderr, "cannot run %s: %s\n", wine.c_str(), std::strerror(errno));
        _exit(127);
    }
    close(toChild[0]);
    close(fromChild[1]);
    if (pid < 0)
    {
        close(toChild[1]);
        close(fromChild[0]);
        error = dllPath + ": cannot start the Wine bridge: " + std::strerror(errno);
        return nullptr;
    }
    p->bridgePid = pid;
    p->toBridge = toChild[1];
    p->fromBridge = fromChild[0];
    return p;
}

CBridgeProcess::~CBridgeProcess()
{
    if (toBridge >= 0) close(toBridge);
    if (fromBridge >= 0) close(fromBridge);
    if (bridgePid > 0 && !exited)
    {
        // The bridge ends by itself once its input closes; give it a moment, then end it.
        for (int i = 0; i < 300 && !exited; ++i)
        {
            int status = 0;
            if (waitpid(bridgePid, &status, WNOHANG) == bridgePid)
                exited = true;
            else
                usleep(10000);
        }
        if (!exited)
        {
            kill(bridgePid, SIGKILL);
            waitpid(bridgePid, nullptr, 0);
        }
    }
    if (stderrFd >= 0) close(stderrFd);
}

std::string CBridgeProcess::deathReason()
{
    std::string said = lastLine(stderrFd);
    std::string how;
    if (exited && WIFSIGNALED(exitStatus))
        how = "was killed by signal " + std::to_string(WTERMSIG(exitStatus));
    else if (exited)
        how = "ended with status " + std::to_string(WEXITSTATUS(exitStatus));
    else
        how = "stopped answering";
    return pluginDll + ": the Wine bridge " + how + (said.empty() ? "" : " (" + said + ")");
}

bool CBridgeProcess::readAll(void* data, size_t size, std::string& error)
{
    char* p = static_cast<char*>(data);
    while (size > 0)
    {
        pollfd fd{fromBridge, POLLIN, 0};
        const int ready = poll(&fd, 1, 250);
        if (ready < 0 && errno != EINTR)
        {
            error = deathReason();
            return false;
        }
        if (ready > 0)
        {
            const ssize_t n = read(fromBridge, p, size);
            if (n > 0)
            {
                p += n;
                size -= size_t(n);
                continue;
            }
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            // End of the pipe: the bridge is gone.
            waitpid(bridgePid, &exitStatus, 0);
            exited = true;
            error = deathReason();
            return false;
        }
        // Nothing yet: Wine's helper processes may hold the pipe open after the bridge died, so
        // ask about the bridge itself.
        if (waitpid(bridgePid, &exitStatus, WNOHANG) == bridgePid)
        {
            exited = true;
            error = deathReason();
            return false;
        }
    }
    return true;
}

bool CBridgeProcess::writeAll(const void* data, size_t size, std::string& error)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0)
    {
        const ssize_t n = write(toBridge, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
        {
            if (waitpid(bridgePid, &exitStatus, WNOHANG) == bridgePid) exited = true;
            error = deathReason();
            return false;
        }
        p += n;
        size -= size_t(n);
    }
    return true;
}

bool CBridgeProcess::receive(uint32_t& status, std::vector<uint8_t>& response, std::string& error)
{
    uint32_t header[2];
    if (!readAll(header, sizeof header, error)) return false;
    if (header[1] > kMaxPayload)
    {
        error = pluginDll + ": the Wine bridge answered a malformed message";
        return false;
    }
    status = header[0];
    response.resize(header[1]);
    return readAll(response.data(), response.size(), error);
}

bool CBridgeProcess::exchange(uint32_t command, const std::vector<uint8_t>& payload,
                              uint32_t& status, std::vector<uint8_t>& response, std::string& error)
{
    if (exited)
    {
        error = deathReason();
        return false;
    }
    const uint32_t header[2] = {command, uint32_t(payload.size())};
    return writeAll(header, sizeof header, error) &&
           writeAll(payload.data(), payload.size(), error) && receive(status, response, error);
}
