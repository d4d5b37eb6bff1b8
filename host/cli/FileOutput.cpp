#include "host/cli/FileOutput.h"

#include <cerrno>
#include <csignal>
#include <vector>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Temporary files to remove if the program is interrupted. Fixed-size storage: the signal
// handler may only use async-signal-safe calls (unlink), so it reads plain character arrays.
constexpr int kMaxPending = 16;
constexpr size_t kMaxPath = 4096;
char pendingPaths[kMaxPending][kMaxPath];
volatile sig_atomic_t pendingUsed[kMaxPending];

void removePendingAndExit(int signal)
{
    for (int i = 0; i < kMaxPending; ++i)
        if (pendingUsed[i])
            unlink(pendingPaths[i]);
    std::signal(signal, SIG_DFL);
    raise(signal);
}

int remember(const std::string& path)
{
    static bool installed = false;
    if (!installed) {
        installed = true;
        for (int sig : {SIGINT, SIGTERM, SIGHUP})
            std::signal(sig, removePendingAndExit);
    }
    if (path.size() >= kMaxPath)
        return -1;
    for (int i = 0; i < kMaxPending; ++i)
        if (!pendingUsed[i]) {
            std::memcpy(pendingPaths[i], path.c_str(), path.size() + 1);
            pendingUsed[i] = 1;
            return i;
        }
    return -1;
}

void forget(int slot)
{
    if (slot >= 0)
        pendingUsed[slot] = 0;
}

} // namespace

CPendingFile::CPendingFile(const std::string& target) : target_(target)
{
    const size_t slash = target.find_last_of('/');
    const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string pattern = dir + "." + base + ".partial-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    fd_ = mkstemp(buf.data());
    if (fd_ < 0) {
        error_ = target + ": cannot create a file in its folder: " + std::strerror(errno);
        return;
    }
    temp_ = buf.data();
    slot_ = remember(temp_);
    // mkstemp makes the file private (0600); a finished result should get the usual mode.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd_, 0666 & ~mask);
}

CPendingFile::~CPendingFile()
{
    forget(slot_);
    if (fd_ >= 0)
        close(fd_);
    if (!committed_ && !temp_.empty())
        unlink(temp_.c_str());
}

bool CPendingFile::commit(std::string& error)
{
    if (committed_)
        return true;
    if (temp_.empty()) {
        error = error_;
        return false;
    }
    if (fd_ >= 0) {
        const int rc = close(fd_);
        fd_ = -1;
        if (rc != 0) {
            error = target_ + ": write failed: " + std::strerror(errno);
            return false;
        }
    }
    if (std::rename(temp_.c_str(), target_.c_str()) != 0) {
        error = target_ + ": cannot rename the finished file into place: " + std::strerror(errno);
        return false;
    }
    committed_ = true;
    forget(slot_);
    slot_ = -1;
    return true;
}

bool writeFileAtomically(const std::string& path, const void* data, size_t size,
                         std::string& error)
{
    CPendingFile file(path);
    if (!file.ok()) {
        error = file.error();
        return false;
    }
    const char* p = static_cast<const char*>(data);
    size_t left = size;
    while (left > 0) {
        const ssize_t n = write(file.fd(), p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = path + ": write failed: " + std::strerror(errno);
            return false;
        }
        p += n;
        left -= size_t(n);
    }
    return file.commit(error);
}
