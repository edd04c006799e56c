#include "CFolderLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

CFolderLock::CFolderLock(const std::string& folder)
    : m_handle(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
{
    if (m_handle < 0)
        return;
    while (::flock(m_handle, LOCK_EX) != 0 && errno == EINTR) { }
}

CFolderLock::~CFolderLock()
{
    // Closing releases the lock.
    if (m_handle >= 0)
        ::close(m_handle);
}

bool CFolderLock::sync() const
{
    return m_handle >= 0 && ::fsync(m_handle) == 0;
}
