#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The player's saved state: the instrument's bank in a file of the user's
// configuration folder. A file is written beside its place, flushed to the
// disk and then renamed over it (the folder flushed in turn), so a write
// that fails (a full disk), a crash or a power loss leaves the old file or the
// new one whole, never an empty or partial one. Saves into one folder take
// turns (two players with one configuration folder: the last save wins).
class CStateStore {
public:
    // $XDG_CONFIG_HOME/zintra, else $HOME/.config/zintra; "" without either.
    static std::string defaultFolder();

    explicit CStateStore(std::string folder);

    const std::string& folder() const { return m_folder; }
    std::string statePath() const;
    // Makes the folder and proves a file can be written in it (a new one,
    // removed again); false with the reason.
    bool prepareFolder(std::string& error) const;

    // The longest file the player reads: a bank of this instrument, bare or
    // in a bank file, is under 4 KB; the rest is a margin. A longer file is
    // refused after this much, however long it is.
    static constexpr std::size_t kLargestFile = 64 * 1024;

    // Whether something is at path: a file, a folder or anything else, also
    // a name that cannot be followed (a symbolic link in a loop, a folder
    // that cannot be searched), which a read then reports. A symbolic link
    // to nothing is no file.
    static bool exists(const std::string& path);
    // A regular file's bytes; false with the reason ("cannot read PATH:
    // REASON") for one that cannot be opened or read, a folder, a FIFO or a
    // device, or one longer than kLargestFile.
    static bool readFile(const std::string& path, std::vector<unsigned char>& bytes, std::string& error);
    // Writes a new file beside path and renames it to path (ReplaceFile.h:
    // a link is followed, a folder or special file refused); false with the
    // reason (the old file is then untouched and no temporary file is left).
    static bool writeFile(const std::string& path, const void* data, std::size_t size, std::string& error);
    // Renames a file that was read and refused to path.damaged, or to
    // path.damaged.2, .3 and on when that is taken (an earlier one is never
    // replaced); answers the new name, or "" when it could not be moved.
    static std::string setAside(const std::string& path);
    // The most set-aside files kept beside one file; more are not made.
    static constexpr int kMostSetAside = 999;

private:
    std::string m_folder;
};
