// Writing outputs under a temporary name and putting them in place whole (see FileOutput.h).
#include "host/cli/FileOutput.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

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

bool fail(std::string& error, const std::string& message)
{
    error = message;
    return false;
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
    cleanupSlot = rememberPendingFile(temporaryPath);
    // mkstemp makes the file private (0600); a new result gets the usual mode, a replaced file
    // keeps its own (set on commit).
    fchmod(fileDescriptor, 0666 & ~processUmask());
}

CPendingFile::~CPendingFile()
{
    forgetPendingFile(cleanupSlot);
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
    forgetPendingFile(cleanupSlot);
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
