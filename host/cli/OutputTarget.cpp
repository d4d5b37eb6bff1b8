// Examining output paths before any processing: links followed, folders and permissions
// checked, and outputs told apart from the inputs and from each other.
#include "host/cli/OutputTarget.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

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
