#include "CFolderLock.h"

// Windows has no advisory lock on a folder: the holder goes on unlocked, as
// on a POSIX folder that cannot be opened. MoveFileEx's write-through
// (DurableFile) puts the new name on the disk.
CFolderLock::CFolderLock(const std::string&)
{
}

CFolderLock::~CFolderLock() = default;

bool CFolderLock::sync() const
{
    return false;
}
