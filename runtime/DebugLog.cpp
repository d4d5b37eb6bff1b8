#include "runtime/DebugLog.h"

#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#ifdef _WIN32

const char* LogFilePath()
{
    return "\\vesk.log.txt";
}

void WriteLog(const std::string& text)
{
    FILE* f = std::fopen(LogFilePath(), "a");
    if (f == nullptr) return;
    std::fprintf(f, "%s\n", text.c_str());
    std::fclose(f);
    Beep(2000, 200);
}

#else

namespace
{

// The user's state folder: $XDG_STATE_HOME when it is an absolute path (a relative one is to be
// ignored), otherwise $HOME/.local/state; empty when neither is known.
std::string StateFolder()
{
    const auto trimmed = [](std::string folder)
    {
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        return folder;
    };
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/') return trimmed(state);
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return trimmed(trimmed(home) + "/.local/state");
    return {};
}

// Makes `folder` and any missing folder above it, private to the user (0700 before the umask).
bool MakeFolders(const std::string& folder)
{
    for (size_t at = folder.find('/', 1);; at = folder.find('/', at + 1))
    {
        const std::string part = folder.substr(0, at);
        if (!part.empty() && mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (at == std::string::npos) return true;
    }
}

} // namespace

const char* LogFilePath()
{
    thread_local std::string path;
    const std::string folder = StateFolder();
    path = folder.empty() ? std::string() : folder + "/quar2/vesk.log.txt";
    return path.c_str();
}

void WriteLog(const std::string& text)
{
    const std::string path = LogFilePath();
    if (path.empty() || !MakeFolders(path.substr(0, path.rfind('/')))) return;
    // Never through a link (another user's planted one would make us append to a file of
    // theirs choosing), never blocking on a FIFO, and only into a plain file.
    const int fd =
        open(path.c_str(),
             O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0) return;
    struct stat st
    {
    };
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
    {
        const std::string line = text + "\n";
        // One write: lines of several instances (or processes) never interleave.
        [[maybe_unused]] const ssize_t written = write(fd, line.data(), line.size());
    }
    close(fd);
}

#endif

void PreconditionFailed(const char* condition, const char* function)
{
    WriteLog(std::string("precondition failed in ") + function + ": " + condition);
    std::abort();
}
