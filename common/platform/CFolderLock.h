#pragma once
// An exclusive lock on a folder, held while a file in it is replaced, so that
// two programs replacing the same file (two players with one configuration
// folder) take turns instead of writing one temporary file at once. Advisory:
// only those that take it wait. One implementation per system (posix/,
// win32/).

#include <string>

class CFolderLock {
public:
    // Waits for the lock; without it (the folder cannot be opened) the
    // holder goes on unlocked.
    explicit CFolderLock(const std::string& folder);
    ~CFolderLock();
    CFolderLock(const CFolderLock&) = delete;
    CFolderLock& operator=(const CFolderLock&) = delete;

    // Flushes the folder's entries (a rename in it) to the disk; false where
    // the system cannot (some file systems refuse to flush a folder).
    bool sync() const;

private:
    int m_handle = -1;
};
