// The save the player and zintra-host share (common/platform): what it
// refuses before anything is written, and the user's files it leaves alone
// beside the one it replaces.
#include "ReplaceFile.h"
#include "FileText.h"
#include "ScopedFileSizeLimit.h"
#include "ScratchFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using filetext::contentOf;
using filetext::writeText;

std::vector<std::string> namesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A character device of the test's own (the null device's numbers) where
// the system lets the test make one (root), so that a fault writes nothing
// to the system's; else a link to /dev/null.
void makeDevice(const fs::path& path)
{
    if (mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        fs::create_symlink("/dev/null", path);
}

// Asked at the start, check() answers as the save at the end would, for
// every kind of thing at the path, and changes nothing: no file made,
// removed or left behind, the device and the FIFO as they were.
TEST(ReplaceFileTest, CheckRefusesWhatASaveWouldAndChangesNothing)
{
    const testhost::ScratchFolder scratch;
    ASSERT_TRUE(scratch.valid());
    const fs::path folder = scratch.path();
    writeText(folder / "bank", "old");
    writeText(folder / "bank.tmp", "the user's");
    fs::create_symlink(folder / "bank", folder / "link");
    fs::create_symlink(folder / "not-yet", folder / "dangling");
    fs::create_symlink("missing/file", folder / "dangling-nowhere");
    fs::create_directory(folder / "folder");
    ASSERT_EQ(0, mkfifo((folder / "fifo").c_str(), 0644));
    makeDevice(folder / "device");
    fs::create_symlink(folder / "device", folder / "device-link");
    fs::create_symlink("loop-b", folder / "loop-a");
    fs::create_symlink("loop-a", folder / "loop-b");
    const std::vector<std::string> before = namesIn(folder);
    const bool ownDevice = fs::is_character_file(fs::symlink_status(folder / "device"));

    // A name of 255 bytes fits (its temporary file's name is cut short);
    // one of 256 and a path as long as the system's limit do not.
    const std::string longest(255, 'n');
    const std::string tooLong(256, 'n');
    std::string longPath = folder.string();
    while (longPath.size() < PATH_MAX)
        longPath += "/" + std::string(200, 'd');
    struct Row {
        std::string name;
        const char* reason; // "" for a file check() accepts
    };
    const Row rows[] = {
        {"bank", ""},
        {"new", ""},
        {"link", ""},
        {"dangling", ""},
        {longest, ""},
        {"folder", "Is a directory"},
        {"fifo", "not a regular file"},
        {"device", "not a regular file"},
        {"device-link", "not a regular file"},
        {"missing/bank", "No such file or directory"},
        {"dangling-nowhere", "No such file or directory"},
        {"bank/inside", "Not a directory"},
        {"loop-a", "Too many levels of symbolic links"},
        {tooLong, "File name too long"},
    };
    for (const Row& row : rows) {
        const std::string path = (folder / row.name).string();
        std::string error;
        const bool accepted = *row.reason == '\0';
        EXPECT_EQ(accepted, replacefile::check(path, error)) << row.name << ": " << error;
        if (!accepted) {
            EXPECT_EQ("cannot write " + path + ": " + row.reason, error) << row.name;
        }
    }
    std::string error;
    EXPECT_FALSE(replacefile::check(longPath, error));
    EXPECT_NE(std::string::npos, error.find("File name too long")) << error;

    EXPECT_EQ(before, namesIn(folder)) << "nothing made or left behind";
    EXPECT_EQ("old", contentOf(folder / "bank"));
    EXPECT_EQ("the user's", contentOf(folder / "bank.tmp"));
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(folder / "fifo")));
    if (ownDevice) {
        EXPECT_TRUE(fs::is_character_file(fs::symlink_status(folder / "device")));
    }
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

// The saved file whatever its name (one as long as the folder takes, UTF-8,
// one whose NAME.tmp the user has), its old permissions kept, a new one's
// as the umask gives; nothing beside it changed or left behind.
TEST(ReplaceFileTest, SavesKeepTheUsersFilesBesideAndTheOldPermissions)
{
    const testhost::ScratchFolder scratch;
    ASSERT_TRUE(scratch.valid());
    const fs::path folder = scratch.path();
    const mode_t mask = umask(022);
    umask(mask);
    writeText(folder / "shared.fxb", "old");
    fs::permissions(folder / "shared.fxb", fs::perms(0640));
    writeText(folder / "shared.fxb.tmp", "the user's");
    fs::create_directory(folder / "shared.fxb.new");
    const std::vector<std::string> users = namesIn(folder);
    struct Row {
        std::string name;
        unsigned mode;
    };
    std::string accented;
    while (accented.size() < 40)
        accented += "\xc3\xa9"; // é
    const Row rows[] = {
        {"shared.fxb", 0640},
        {"new.fxp", 0644 & ~mask},
        {std::string(255, 'n'), 0644 & ~mask},
        {accented + ".bank", 0644 & ~mask},
    };
    std::vector<std::string> expected = users;
    for (const Row& row : rows) {
        std::string error;
        const fs::path path = folder / row.name;
        ASSERT_TRUE(replacefile::write(path.string(), "new", 3, error)) << row.name.substr(0, 20) << ": " << error;
        EXPECT_EQ("new", contentOf(path));
        EXPECT_EQ(row.mode, static_cast<unsigned>(fs::status(path).permissions())) << row.name.substr(0, 20);
        expected.push_back(row.name);
    }
    std::sort(expected.begin(), expected.end());
    expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
    EXPECT_EQ(expected, namesIn(folder)) << "no temporary file is left";
    EXPECT_EQ("the user's", contentOf(folder / "shared.fxb.tmp"));
    EXPECT_TRUE(fs::is_directory(folder / "shared.fxb.new"));
}

// A save that fails part-way (a file-size limit, as a full disk fails it)
// keeps the old file and leaves nothing beside it; the check at the start
// already finds the folder takes no byte.
TEST(ReplaceFileTest, AFailedWriteKeepsTheOldFileAndLeavesNoPart)
{
    const testhost::ScratchFolder scratch;
    ASSERT_TRUE(scratch.valid());
    const std::string path = scratch.file("song.bank");
    writeText(path, "old");
    const std::string large(70000, 'x');
    struct Row {
        rlim_t limit;
        bool checked;
    };
    for (const Row& row : {Row{0, false}, Row{65536, true}}) {
        std::string checkError, writeError;
        bool checked = false, written = false;
        {
            ScopedFileSizeLimit limit(row.limit);
            ASSERT_TRUE(limit.valid());
            checked = replacefile::check(path, checkError);
            written = replacefile::write(path, large.data(), large.size(), writeError);
        }
        EXPECT_EQ(row.checked, checked) << row.limit << ": " << checkError;
        EXPECT_FALSE(written) << row.limit;
        EXPECT_EQ("cannot write " + path + ": File too large", writeError);
        EXPECT_EQ("old", contentOf(path));
        EXPECT_EQ(std::vector<std::string>{"song.bank"}, namesIn(scratch.path())) << row.limit;
    }
}

} // namespace
