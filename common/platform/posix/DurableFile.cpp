#include "DurableFile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// A new file's permissions before the process's umask, as an editor's.
constexpr mode_t kNewFileMode = 0644;

bool writeAll(int file, const char* bytes, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(file, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// The process's umask without changing it (umask() would, for every thread
// at once): Linux shows it in /proc/self/status; elsewhere the usual 022.
mode_t currentUmask()
{
    std::FILE* status = std::fopen("/proc/self/status", "re");
    unsigned mask = 022;
    if (status != nullptr) {
        char line[256];
        while (std::fgets(line, sizeof line, status) != nullptr)
            if (std::sscanf(line, "Umask: %o", &mask) == 1)
                break;
        std::fclose(status);
    }
    return static_cast<mode_t>(mask & 0777);
}

// The permissions (and, where allowed, the owner) of the file it replaces,
// so that a save keeps who may read it; mkstemp makes the file 0600.
void takePermissions(int file, const std::string& like)
{
    struct stat old { };
    if (::stat(like.c_str(), &old) != 0 || !S_ISREG(old.st_mode)) {
        ::fchmod(file, kNewFileMode & ~currentUmask());
        return;
    }
    // Only root may give a file away; anyone else keeps it as their own.
    if (::fchown(file, old.st_uid, old.st_gid) != 0) { }
    ::fchmod(file, old.st_mode & 0777);
}

} // namespace

namespace durablefile {

std::string writeNew(const std::string& stem, const std::string& like, const void* data, std::size_t size,
                     std::string& error)
{
    std::vector<char> name(stem.begin(), stem.end());
    for (char c : {'X', 'X', 'X', 'X', 'X', 'X', '\0'})
        name.push_back(c);
    const int file = ::mkostemp(name.data(), O_CLOEXEC);
    if (file < 0) {
        error = std::strerror(errno);
        return std::string();
    }
    const std::string path(name.data());
    takePermissions(file, like);
    bool written = writeAll(file, static_cast<const char*>(data), size) && ::fsync(file) == 0;
    const int writeError = errno;
    written = ::close(file) == 0 && written;
    if (written)
        return path;
    // Written in part (a full disk): not left behind.
    ::unlink(path.c_str());
    error = std::strerror(writeError != 0 ? writeError : errno);
    return std::string();
}

bool nameFits(const std::string& path, std::string& error)
{
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::size_t nameLength = path.size() - (slash == std::string::npos ? 0 : slash + 1);
    // Unknown (the folder missing): the file's making answers instead.
    const long longestName = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    const bool nameTooLong = longestName > 0 && nameLength > static_cast<std::size_t>(longestName);
    if (!nameTooLong && path.size() < PATH_MAX)
        return true;
    error = std::strerror(ENAMETOOLONG);
    return false;
}

bool replace(const std::string& from, const std::string& to, std::string& error)
{
    if (std::rename(from.c_str(), to.c_str()) == 0)
        return true;
    error = std::strerror(errno);
    return false;
}

void remove(const std::string& path)
{
    ::unlink(path.c_str());
}

} // namespace durablefile
