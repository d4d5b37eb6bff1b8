#include "host/cli/FileOutput.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <atomic>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// Temporary files to remove if the program is interrupted or a plug-in crashes. Fixed-size
// storage: a signal handler may only use async-signal-safe calls (unlink, write), so it reads
// plain character arrays. Jobs levelling files in parallel add and remove entries under a lock
// (the handler does not take it). Room for 32 jobs with two files each.
constexpr int kMaxPending = 72;
constexpr size_t kMaxPath = 4096;
char pendingPaths[kMaxPending][kMaxPath];
volatile sig_atomic_t pendingUsed[kMaxPending];

// The plug-in named when the program dies inside it.
char watchedPlugin[kMaxPath];
volatile sig_atomic_t normalExit = 0;

void removePending()
{
    for (int i = 0; i < kMaxPending; ++i)
        if (pendingUsed[i]) unlink(pendingPaths[i]);
}

void say(const char* text)
{
    const ssize_t n = write(STDERR_FILENO, text, std::strlen(text));
    (void)n;
}

void removePendingAndExit(int signal)
{
    removePending();
    std::signal(signal, SIG_DFL);
    raise(signal);
}

const char* crashName(int signal)
{
    switch (signal)
    {
    case SIGSEGV:
        return "segmentation fault";
    case SIGBUS:
        return "bus error";
    case SIGFPE:
        return "arithmetic fault";
    case SIGILL:
        return "illegal instruction";
    case SIGABRT:
        return "abort";
    default:
        return "fatal signal";
    }
}

void reportCrashAndExit(int signal)
{
    removePending();
    say("quar2-host: the plug-in ");
    say(watchedPlugin);
    say(" crashed (");
    say(crashName(signal));
    say("); no output was written\n");
    _exit(1);
}

void reportExitCall()
{
    if (normalExit) return;
    removePending();
    std::fflush(stdout);
    say("quar2-host: the plug-in ");
    say(watchedPlugin);
    say(" ended the program (it called exit); no output was written\n");
    _exit(1);
}

std::mutex pendingLock;

int remember(const std::string& path)
{
    std::lock_guard<std::mutex> hold(pendingLock);
    static bool installed = false;
    if (!installed)
    {
        installed = true;
        for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
            std::signal(sig, removePendingAndExit);
    }
    if (path.size() >= kMaxPath) return -1;
    for (int i = 0; i < kMaxPending; ++i)
        if (!pendingUsed[i])
        {
            std::memcpy(pendingPaths[i], path.c_str(), path.size() + 1);
            std::atomic_signal_fence(std::memory_order_seq_cst); // the path before the flag
            pendingUsed[i] = 1;
            return i;
        }
    return -1;
}

void forget(int slot)
{
    std::lock_guard<std::mutex> hold(pendingLock);
    if (slot >= 0) pendingUsed[slot] = 0;
}

// The umask, read once: reading it means setting it, which must not race with files other
// jobs create.
mode_t processUmask()
{
    static const mode_t mask = []
    {
        const mode_t m = umask(0);
        umask(m);
        return m;
    }();
    return mask;
}

std::string folderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool fail(std::string& error, const std::string& message)
{
    error = message;
    return false;
}

void fillIdentity(OutputTarget& target, const struct stat& st)
{
    target.exists = true;
    target.device = st.st_dev;
    target.inode = st.st_ino;
    target.mode = st.st_mode;
    target.owner = st.st_uid;
    target.group = st.st_gid;
}

bool folderWritable(const std::string& given, const std::string& folder, std::string& error)
{
    struct stat st
    {
    };
    if (stat(folder.c_str(), &st) != 0)
        return fail(error,
                    given + ": its folder " + folder + " cannot be used: " + std::strerror(errno));
    if (!S_ISDIR(st.st_mode)) return fail(error, given + ": " + folder + " is not a folder");
    if (access(folder.c_str(), W_OK | X_OK) != 0)
        return fail(error,
                    given + ": cannot write in its folder " + folder + ": " + std::strerror(errno));
    return true;
}

} // namespace

std::string temporaryFolder()
{
    const char* dir = std::getenv("TMPDIR");
    return dir != nullptr && *dir != '\0' ? dir : "/tmp";
}

int anonymousTemporaryFile()
{
    std::string pattern = temporaryFolder() + "/quar2-host-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0) unlink(name.data());
    return fd;
}

bool writeAll(int fd, const void* data, size_t size)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0)
    {
        const ssize_t n = write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
        {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        p += n;
        size -= size_t(n);
    }
    return true;
}

bool examineOutput(const std::string& given, bool noClobber, OutputTarget& target,
                   std::string& error)
{
    target = OutputTarget{};
    target.given = given;
    if (given.empty()) return fail(error, "an output path is empty");
    if (given == "-")
    {
        target.kind = OutputTarget::Stream;
        struct stat st
        {
        };
        if (fstat(STDOUT_FILENO, &st) != 0) return fail(error, "standard output is closed");
        if (isatty(STDOUT_FILENO))
            return fail(error, "standard output is a terminal; redirect it to a file or a pipe");
        fillIdentity(target, st);
        return true;
    }
    // Follow links to the file they name: that file is written, the links stay.
    std::string path = given;
    struct stat st
    {
    };
    bool exists = false;
    for (int hops = 0;; ++hops)
    {
        if (lstat(path.c_str(), &st) != 0)
        {
            if (errno != ENOENT) return fail(error, given + ": " + std::strerror(errno));
            break;
        }
        if (!S_ISLNK(st.st_mode))
        {
            exists = true;
            break;
        }
        if (hops >= 40) return fail(error, given + ": too many levels of symbolic links");
        char link[PATH_MAX];
        const ssize_t n = readlink(path.c_str(), link, sizeof link - 1);
        if (n < 0) return fail(error, given + ": " + std::strerror(errno));
        link[n] = '\0';
        path = link[0] == '/' ? std::string(link) : folderOf(path) + "/" + link;
    }
    target.path = path;
    const std::string folder = folderOf(path);
    if (!exists)
    {
        if (!folderWritable(given, folder, error)) return false;
        char resolved[PATH_MAX];
        target.canonical = std::string(realpath(folder.c_str(), resolved) ? resolved : folder) +
                           "/" + baseOf(path);
        target.kind = OutputTarget::Missing;
        return true;
    }
    fillIdentity(target, st);
    if (S_ISDIR(st.st_mode)) return fail(error, given + ": is a folder; name a file to write");
    if (!S_ISREG(st.st_mode))
    {
        target.kind = OutputTarget::Stream;
        if (access(path.c_str(), W_OK) != 0)
            return fail(error, given + ": cannot write: " + std::strerror(errno));
        return true;
    }
    target.kind = OutputTarget::Regular;
    if (noClobber) return fail(error, given + ": exists; not replaced (--no-clobber)");
    if ((st.st_mode & 0222) == 0 || access(path.c_str(), W_OK) != 0)
        return fail(error, given + ": is read-only; not replaced");
    return folderWritable(given, folder, error);
}

bool checkDistinctFiles(const std::vector<InputPath>& inputs,
                        const std::vector<const OutputTarget*>& outputs, std::string& error)
{
    for (size_t i = 0; i < outputs.size(); ++i)
    {
        const OutputTarget& out = *outputs[i];
        const std::string name = out.given == "-" ? "standard output" : out.given;
        for (const InputPath& in : inputs)
        {
            struct stat st
            {
            };
            const bool known =
                in.path == "-" ? fstat(STDIN_FILENO, &st) == 0 : stat(in.path.c_str(), &st) == 0;
            if (known && out.exists && st.st_dev == out.device && st.st_ino == out.inode)
                return fail(error, name + ": is the same file as " + in.label + " (" +
                                       (in.path == "-" ? "standard input" : in.path) +
                                       "); refused, it would be destroyed");
        }
        for (size_t j = 0; j < i; ++j)
        {
            const OutputTarget& other = *outputs[j];
            const bool same =
                out.exists ? other.exists && other.device == out.device && other.inode == out.inode
                           : !other.exists && other.canonical == out.canonical;
            if (same)
                return fail(error, name + ": is also named as another output (" +
                                       (other.given == "-" ? "standard output" : other.given) +
                                       "); every output needs its own file");
        }
    }
    return true;
}

CPendingFile::CPendingFile(const OutputTarget& target) : destination(target)
{
    create();
}

CPendingFile::CPendingFile(const std::string& target)
{
    if (examineOutput(target, false, destination, errorText)) create();
}

void CPendingFile::create()
{
    if (destination.kind == OutputTarget::Stream)
    {
        fileDescriptor = anonymousTemporaryFile();
        if (fileDescriptor < 0)
            errorText = destination.given + ": cannot make a temporary file in " +
                        temporaryFolder() + ": " + std::strerror(errno);
        return;
    }
    const std::string pattern =
        folderOf(destination.path) + "/." + baseOf(destination.path) + ".partial-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    fileDescriptor = mkostemp(buf.data(), O_CLOEXEC);
    if (fileDescriptor < 0)
    {
        errorText =
            destination.given + ": cannot create a file in its folder: " + std::strerror(errno);
        return;
    }
    temporaryPath = buf.data();
    cleanupSlot = remember(temporaryPath);
    // mkstemp makes the file private (0600); a new result gets the usual mode, a replaced file
    // keeps its own (set on commit).
    fchmod(fileDescriptor, 0666 & ~processUmask());
}

CPendingFile::~CPendingFile()
{
    forget(cleanupSlot);
    if (fileDescriptor >= 0) close(fileDescriptor);
    if (!committed && !temporaryPath.empty()) unlink(temporaryPath.c_str());
}

bool CPendingFile::streamOut(std::string& error)
{
    const bool toStdout = destination.given == "-";
    const int out =
        toStdout ? STDOUT_FILENO : open(destination.path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (out < 0)
        return fail(error,
                    destination.given + ": cannot open for writing: " + std::strerror(errno));
    bool ok = lseek(fileDescriptor, 0, SEEK_SET) == 0;
    char buffer[65536];
    while (ok)
    {
        const ssize_t n = read(fileDescriptor, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
        {
            ok = n == 0;
            break;
        }
        ok = writeAll(out, buffer, size_t(n));
    }
    const int savedErrno = errno;
    if (!toStdout && close(out) != 0 && ok)
        return fail(error, destination.given + ": write failed: " + std::strerror(errno));
    if (!ok) return fail(error, destination.given + ": write failed: " + std::strerror(savedErrno));
    return true;
}

bool CPendingFile::commit(std::string& error)
{
    if (committed) return true;
    if (fileDescriptor < 0)
        return fail(error,
                    errorText.empty() ? destination.given + ": nothing was written" : errorText);
    if (destination.kind == OutputTarget::Stream)
    {
        const bool ok = streamOut(error);
        close(fileDescriptor);
        fileDescriptor = -1;
        committed = ok;
        return ok;
    }
    if (destination.exists)
    {
        // The replaced file's owner (where we may give it) and mode carry over.
        if (fchown(fileDescriptor, destination.owner, destination.group) != 0 && errno != EPERM)
            return fail(error, destination.given + ": " + std::strerror(errno));
        fchmod(fileDescriptor, destination.mode & 07777);
    }
    const int synced = fsync(fileDescriptor);
    const int closed = close(fileDescriptor);
    fileDescriptor = -1;
    if (synced != 0 || closed != 0)
        return fail(error, destination.given + ": write failed: " + std::strerror(errno));
    if (std::rename(temporaryPath.c_str(), destination.path.c_str()) != 0)
        return fail(error, destination.given + ": cannot rename the finished file into place: " +
                               std::strerror(errno));
    committed = true;
    forget(cleanupSlot);
    cleanupSlot = -1;
    return true;
}

bool commitAll(const std::vector<CPendingFile*>& files, std::string& error)
{
    for (bool streams : {true, false})
        for (CPendingFile* f : files)
            if (f != nullptr && f->isStream() == streams && !f->commit(error)) return false;
    return true;
}

bool writeFileAtomically(const std::string& path, const void* data, size_t size, std::string& error)
{
    CPendingFile file(path);
    if (!file.ok())
    {
        error = file.error();
        return false;
    }
    if (!writeAll(file.fd(), data, size))
        return fail(error, path + ": write failed: " + std::strerror(errno));
    return file.commit(error);
}

void watchPluginFailures(const std::string& pluginPath)
{
    std::snprintf(watchedPlugin, sizeof watchedPlugin, "%s", pluginPath.c_str());
    static bool installed = false;
    if (installed) return;
    installed = true;
    // A plug-in that overflows its stack still gets its crash reported.
    static char altStack[64 * 1024];
    stack_t ss{};
    ss.ss_sp = altStack;
    ss.ss_size = sizeof altStack;
    sigaltstack(&ss, nullptr);
    struct sigaction sa
    {
    };
    sa.sa_handler = reportCrashAndExit;
    sa.sa_flags = SA_ONSTACK;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
        sigaction(sig, &sa, nullptr);
    std::atexit(reportExitCall);
}

void markNormalExit()
{
    normalExit = 1;
}
