#pragma once
// Files that survive a crash or a power loss once written: their bytes
// flushed to the disk (CFolderLock flushes the folder that names them). One
// implementation per system (platform/posix/).

#include <cstddef>
#include <string>

namespace durablefile {

// Writes the whole file (created or emptied first) and flushes it to the
// disk; false with the reason, the file then removed.
bool write(const std::string& path, const void* data, std::size_t size, std::string& error);
} // namespace durablefile
