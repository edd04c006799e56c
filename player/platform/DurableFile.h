#pragma once
// Files that survive a crash or a power loss once written: their bytes, and
// the folder entry that names them, flushed to the disk. One implementation
// per system (platform/posix/).

#include <cstddef>
#include <string>

namespace durablefile {

// Writes the whole file (created or emptied first) and flushes it to the
// disk; false with the reason, the file then removed.
bool write(const std::string& path, const void* data, std::size_t size, std::string& error);
// Flushes a folder's entries (a rename in it) to the disk; false where the
// system cannot (some file systems refuse to flush a folder).
bool syncFolder(const std::string& folder);

} // namespace durablefile
