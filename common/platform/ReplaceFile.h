#pragma once
// A file the user keeps, saved so that nothing of it is ever lost: the new
// bytes are written to a new file beside it, of a name no file had (made
// exclusively, so never one of the user's), flushed to the disk and renamed
// over it, the folder flushed in turn. A write that fails part-way (a full
// disk, a file-size limit), a crash or a power loss leaves the old file or
// the new one whole, never a part. Saves into one folder take turns
// (CFolderLock). For the programs that save the user's files: the player
// and zintra-host.

#include <cstddef>
#include <string>

namespace replacefile {

// Saves data as the file at path. A symbolic link is followed: the file it
// names is replaced (made, where it names none) and the link kept.
// Something at path that is not a regular file (a folder, a FIFO, a device)
// is left alone and refused. False with the reason ("cannot write PATH:
// REASON"); the old file is then as it was and no temporary file is left.
bool write(const std::string& path, const void* data, std::size_t size, std::string& error);

// Whether write(path) can work, asked before there is anything to save (a
// program's start): path refused as write() refuses it, a name too long
// for its file system, a folder that is missing or takes no new file (a
// temporary file is made there and removed). False with write()'s reason;
// nothing at path or beside it is changed.
bool check(const std::string& path, std::string& error);

// Whether a file can be made in path's folder under path's name, whatever
// is at path now (check() without following or refusing it). False with
// the reason ("cannot write PATH: REASON").
bool probe(const std::string& path, std::string& error);

} // namespace replacefile
