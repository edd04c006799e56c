#pragma once
// Files that survive a crash or a power loss once written: their bytes
// flushed to the disk (CFolderLock flushes the folder that names them). One
// implementation per system (posix/, win32/).

#include <cstddef>
#include <string>

namespace durablefile {

// Writes the whole file (created or emptied first) and flushes it to the
// disk; false with the reason, the file then removed.
bool write(const std::string& path, const void* data, std::size_t size, std::string& error);

// Gives the file at from the name to in one step, replacing what had that
// name; false with the reason, both then as they were.
bool replace(const std::string& from, const std::string& to, std::string& error);

} // namespace durablefile
