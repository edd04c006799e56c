#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Files read whole, for every reader of a file the user names or keeps (a
// saved state, a bank or program file, a MIDI file): no exception escapes,
// and a file that cannot be used is answered with a reason a user can act
// on, "cannot read PATH: REASON" (the system's text for its error).
namespace wholefile {

// Reads the regular file at path (a symbolic link is followed), at most
// maxBytes of it, into bytes. False with the reason in error, bytes then
// empty: a file that does not exist or cannot be opened or read, a folder,
// anything else that is not a regular file (a FIFO, which would wait for a
// writer, or a device such as /dev/zero, which never ends), or a file
// longer than maxBytes.
bool read(const std::string& path, std::size_t maxBytes, std::vector<unsigned char>& bytes, std::string& error);

} // namespace wholefile
