#pragma once
// Files that survive a crash or a power loss once written: their bytes
// flushed to the disk (CFolderLock flushes the folder that names them). One
// implementation per system (posix/, win32/). A failure's reason is the
// system's ("No space left on device"), naming no file.

#include <cstddef>
#include <string>

namespace durablefile {

// Makes a new file whose name is stem followed by characters chosen so that
// no file of that name exists (made exclusively: never one the user has),
// writes the whole data to it and flushes it to the disk. It takes the
// permissions of the file at like when there is one (the file it will
// replace), else a new file's. Answers its name, or "" with the reason (the
// file then removed).
std::string writeNew(const std::string& stem, const std::string& like, const void* data, std::size_t size,
                     std::string& error);

// Whether a file of path's name may be made in its folder: its name and the
// whole path within the longest the system takes. False with the reason.
bool nameFits(const std::string& path, std::string& error);

// Gives the file at from the name to in one step, replacing what had that
// name; false with the reason, both then as they were.
bool replace(const std::string& from, const std::string& to, std::string& error);

// Removes a file this program made (a temporary one).
void remove(const std::string& path);

} // namespace durablefile
