// The player's command line and its state files: the configuration folder
// from the environment, files replaced only once written whole, damaged
// files kept aside.
#include "CPlayerOptions.h"
#include "CStateStore.h"
#include "FileText.h"
#include "ScopedFileSizeLimit.h"
#include "ScopedVariable.h"
#include "ScratchFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

using filetext::contentOf;
using filetext::writeText;

TEST(PlayerOptionsTest, ReadsTheCommandLineAndRefusesWhatItDoesNotKnow)
{
    struct Row {
        std::vector<const char*> arguments;
        bool accepted;
        const char* errorPart;
    };
    const Row rows[] = {
        {{}, true, ""},
        {{"--name", "Keys", "--no-connect", "--midi-connect", "a2j:Kbd [20] (capture): MIDI 1"}, true, ""},
        {{"--load", "in.bank", "--save", "out.bank", "--help", "--version"}, true, ""},
        {{"--name"}, false, "--name needs a value"},
        {{"--load", ""}, false, "--load needs a value"},
        {{"--volume", "3"}, false, "unknown option --volume"},
        {{"keys.bank"}, false, "unknown option keys.bank"},
        {{"--scale", "2"}, true, ""},
        {{"--scale", "1.5"}, false, "--scale takes 1 or 2"},
        {{"--audio", "alsa", "--device", "hw:1"}, true, ""},
        {{"--audio", "jack"}, true, ""},
        {{"--audio", "pulse"}, false, "--audio takes auto, jack or alsa, not pulse"},
        {{"--device"}, false, "--device needs a value"},
    };
    for (const Row& row : rows) {
        std::vector<const char*> argv{"zintra"};
        argv.insert(argv.end(), row.arguments.begin(), row.arguments.end());
        CPlayerOptions options;
        std::string error;
        EXPECT_EQ(row.accepted, options.parse(static_cast<int>(argv.size()), argv.data(), error)) << error;
        EXPECT_NE(std::string::npos, error.find(row.errorPart)) << error;
    }
    const char* argv[] = {"zintra", "--name", "Keys", "--no-connect", "--midi-connect", "src:out",  "--load",
                          "a",      "--save", "b",    "--audio",      "alsa",           "--device", "hw:2"};
    CPlayerOptions options;
    std::string error;
    ASSERT_TRUE(options.parse(14, argv, error));
    EXPECT_EQ("alsa", options.audio);
    EXPECT_EQ("hw:2", options.device);
    EXPECT_EQ("Keys", options.clientName);
    EXPECT_FALSE(options.connectOutputs);
    EXPECT_EQ("src:out", options.midiSource);
    EXPECT_EQ("a", options.loadFile);
    EXPECT_EQ("b", options.saveFile);
    EXPECT_FALSE(options.help);
    CPlayerOptions defaults;
    EXPECT_EQ("Zintra", defaults.clientName);
    EXPECT_TRUE(defaults.connectOutputs);
    EXPECT_EQ("auto", defaults.audio);
    EXPECT_EQ("default", defaults.device);
}

TEST(StateStoreTest, TheFolderComesFromXdgConfigHomeElseHome)
{
    struct Row {
        const char* config;
        const char* home;
        const char* folder;
    };
    const Row rows[] = {
        {"/cfg", "/home/u", "/cfg/zintra"},
        {nullptr, "/home/u", "/home/u/.config/zintra"},
        {"", "/home/u", "/home/u/.config/zintra"},
        {"relative/cfg", "/home/u", "/home/u/.config/zintra"},
        {nullptr, nullptr, ""},
    };
    for (const Row& row : rows) {
        ScopedVariable config("XDG_CONFIG_HOME", row.config);
        ScopedVariable home("HOME", row.home);
        EXPECT_EQ(row.folder, CStateStore::defaultFolder()) << (row.config ? row.config : "(unset)");
    }
}

TEST(StateStoreTest, AFileIsReplacedOnlyWhenWrittenWholeAndADamagedOneIsKeptAside)
{
    testhost::ScratchFolder scratch;
    ASSERT_TRUE(scratch.valid());
    CStateStore store((scratch.path() / "cfg" / "zintra").string());
    std::string error;
    ASSERT_TRUE(store.prepareFolder(error)) << error;
    EXPECT_EQ(std::vector<fs::path>{}, std::vector<fs::path>(fs::directory_iterator(store.folder()), {}))
        << "the probe is removed";

    const std::string path = store.statePath();
    ASSERT_TRUE(CStateStore::writeFile(path, "first", 5, error)) << error;
    ASSERT_TRUE(CStateStore::writeFile(path, "second", 6, error)) << error;
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(CStateStore::readFile(path, bytes, error)) << error;
    EXPECT_EQ("second", std::string(bytes.begin(), bytes.end()));

    // The user's own files beside it are never the temporary file: a file
    // and a folder of the names a save might once have used stay as they were.
    writeText(path + ".tmp", "the user's");
    fs::create_directory(path + ".new");
    ASSERT_TRUE(CStateStore::writeFile(path, "third", 5, error)) << error;
    EXPECT_EQ("third", contentOf(path));
    EXPECT_EQ("the user's", contentOf(path + ".tmp"));
    EXPECT_TRUE(fs::is_directory(path + ".new"));
    fs::remove(path + ".new");
    // A write that fails part-way (a file-size limit, as a full disk) leaves
    // the old file as it was and no part of the new one; a folder that takes
    // no byte is refused by the probe.
    {
        ScopedFileSizeLimit limit(65536);
        ASSERT_TRUE(limit.valid());
        EXPECT_FALSE(CStateStore::writeFile(path, std::string(70000, 'x').data(), 70000, error));
        EXPECT_EQ("cannot write " + path + ": File too large", error);
    }
    {
        ScopedFileSizeLimit none(0);
        ASSERT_TRUE(none.valid());
        EXPECT_FALSE(store.prepareFolder(error)) << "the folder cannot take a file";
        EXPECT_EQ("cannot write " + path + ": File too large", error);
    }
    EXPECT_EQ("third", contentOf(path));
    std::vector<std::string> left;
    for (const fs::directory_entry& entry : fs::directory_iterator(store.folder()))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ((std::vector<std::string>{"state.bank", "state.bank.tmp"}), left) << "the part written is removed";
    fs::remove(path + ".tmp");

    EXPECT_EQ(path + ".damaged", CStateStore::setAside(path));
    EXPECT_FALSE(CStateStore::exists(path));
    EXPECT_EQ("third", contentOf(path + ".damaged"));
    // A later one takes the next free name; an earlier one is never replaced,
    // nor a symbolic link of that name (even to nothing).
    writeText(path, "newer");
    EXPECT_EQ(path + ".damaged.2", CStateStore::setAside(path));
    EXPECT_EQ("third", contentOf(path + ".damaged")) << "the earlier one kept";
    EXPECT_EQ("newer", contentOf(path + ".damaged.2"));
    fs::create_symlink("nowhere", path + ".damaged.3");
    writeText(path, "newest");
    EXPECT_EQ(path + ".damaged.4", CStateStore::setAside(path));
    EXPECT_EQ("newest", contentOf(path + ".damaged.4"));
    EXPECT_EQ("", CStateStore::setAside(path)) << "nothing to move";
    EXPECT_FALSE(CStateStore::readFile(path, bytes, error));
}

TEST(StateStoreTest, AFolderThatCannotBeMadeIsReported)
{
    testhost::ScratchFolder scratch;
    ASSERT_TRUE(scratch.valid());
    writeText(scratch.path() / "cfg", "a file where the folder belongs");
    CStateStore store((scratch.path() / "cfg" / "zintra").string());
    std::string error;
    EXPECT_FALSE(store.prepareFolder(error));
    EXPECT_NE(std::string::npos, error.find("cannot make the configuration folder")) << error;
}

// Every file the player reads (its state, --load's file) comes through
// readFile: whatever is at the path, the answer is a result, never an
// exception, and a refusal names the file and the system's reason.
TEST(StateStoreTest, AFileThatCannotBeReadIsAnsweredWithItsReason)
{
    testhost::ScratchFolder scratch;
    ASSERT_TRUE(scratch.valid());
    const fs::path folder = scratch.path();
    writeText(folder / "bank", "a bank");
    writeText(folder / "empty", "");
    fs::create_directory(folder / "folder");
    ASSERT_EQ(0, mkfifo((folder / "fifo").c_str(), 0644));
    // Reading a process's memory at address 0 fails with EIO: a regular
    // file that opens and then cannot be read, even by root.
    fs::create_symlink("/proc/self/mem", folder / "unreadable");
    fs::create_symlink(folder / "nowhere", folder / "dangling");
    fs::create_symlink("loop", folder / "loop");
    writeText(folder / "largest", std::string(CStateStore::kLargestFile, 'x'));
    writeText(folder / "too-long", std::string(CStateStore::kLargestFile + 1, 'x'));
    writeText(folder / "private", "a bank");
    fs::permissions(folder / "private", fs::perms::none);
    struct Row {
        const char* name;
        bool read;
        std::size_t size;
        const char* reason;
    };
    const Row rows[] = {
        {"bank", true, 6, ""},
        {"empty", true, 0, ""},
        {"largest", true, CStateStore::kLargestFile, ""},
        {"folder", false, 0, "Is a directory"},
        {"fifo", false, 0, "not a regular file"},
        {"unreadable", false, 0, "Input/output error"},
        {"missing", false, 0, "No such file or directory"},
        {"dangling", false, 0, "No such file or directory"},
        {"bank/inside", false, 0, "Not a directory"},
        {"loop", false, 0, "Too many levels of symbolic links"},
        {"too-long", false, 0, "longer than 65536 bytes"},
        {"private", false, 0, "Permission denied"},
    };
    for (const Row& row : rows) {
        const std::string path = (folder / row.name).string();
        if (std::string(row.name) == "private" && access(path.c_str(), R_OK) == 0) {
            std::printf("[  NOTE    ] %s is readable (root may read any file): its row is left out\n", path.c_str());
            continue;
        }
        std::vector<unsigned char> bytes{1, 2, 3};
        std::string error;
        // Whatever cannot be followed is there for exists (so a read reports
        // it), but a name that leads to nothing is not.
        const bool nothing =
            row.reason == std::string("No such file or directory") || row.reason == std::string("Not a directory");
        EXPECT_EQ(!nothing, CStateStore::exists(path)) << row.name;
        EXPECT_EQ(row.read, CStateStore::readFile(path, bytes, error)) << row.name << ": " << error;
        EXPECT_EQ(row.size, bytes.size()) << row.name;
        if (!row.read) {
            EXPECT_EQ("cannot read " + path + ": " + row.reason, error) << row.name;
        }
    }
    for (const char* device : {"/dev/zero", "/dev/null"}) {
        std::vector<unsigned char> bytes;
        std::string error;
        EXPECT_FALSE(CStateStore::readFile(device, bytes, error)) << device;
        EXPECT_EQ("cannot read " + std::string(device) + ": not a regular file", error);
    }
}

// Two players with the same configuration folder saving at the same time:
// the saves take turns, each succeeds, and the file holds one bank whole,
// never a mixture or a part.
TEST(StateStoreTest, TwoSavesAtOnceLeaveOneWholeFileAndBothSucceed)
{
    testhost::ScratchFolder scratch;
    ASSERT_TRUE(scratch.valid());
    CStateStore store((scratch.path() / "zintra").string());
    std::string error;
    ASSERT_TRUE(store.prepareFolder(error)) << error;
    const std::string path = store.statePath();
    const std::string banks[] = {std::string(200000, 'a'), std::string(200000, 'b')};
    std::atomic<int> failures{0}, mixed{0};
    auto saver = [&](const std::string& bank) {
        for (int round = 0; round < 40; ++round) {
            std::string reason;
            if (!CStateStore::writeFile(path, bank.data(), bank.size(), reason))
                failures.fetch_add(1);
            const std::string now = contentOf(path);
            if (now != banks[0] && now != banks[1])
                mixed.fetch_add(1);
        }
    };
    std::thread first(saver, banks[0]), second(saver, banks[1]);
    first.join();
    second.join();
    EXPECT_EQ(0, failures.load());
    EXPECT_EQ(0, mixed.load());
}

} // namespace
