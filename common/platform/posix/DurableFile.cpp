#include "DurableFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

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

} // namespace

namespace durablefile {

bool write(const std::string& path, const void* data, std::size_t size, std::string& error)
{
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (file < 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    bool written = writeAll(file, static_cast<const char*>(data), size) && ::fsync(file) == 0;
    const int writeError = errno;
    written = ::close(file) == 0 && written;
    if (written)
        return true;
    // Written in part (a full disk): not left behind.
    ::unlink(path.c_str());
    error = "cannot write " + path + ": " + std::strerror(writeError != 0 ? writeError : errno);
    return false;
}

bool replace(const std::string& from, const std::string& to, std::string& error)
{
    if (std::rename(from.c_str(), to.c_str()) == 0)
        return true;
    error = "cannot replace " + to + ": " + std::strerror(errno);
    return false;
}

} // namespace durablefile
