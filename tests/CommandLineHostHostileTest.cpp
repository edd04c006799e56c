// The command-line host against hostile input: numbers out of range,
// infinite or not numbers at all, damaged MIDI files, and saves that fail
// part-way. Each is refused at once with a message naming the option or the
// file and status 2 (an argument) or 1 (a step that failed); a failed save
// leaves the earlier file as it was.
#include "ReplaceFile.h"
#include "RunHost.h"
#include "ScratchFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using testhost::runHost;

std::string contentOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// The exit status pclose reports for a program that returned code.
int exited(int code)
{
    return code << 8;
}

TEST(CommandLineHostHostile, ArgumentsOutOfRangeAreRefusedNamingTheOption)
{
    struct Row {
        const char* arguments;
        const char* option; // named in the message
    };
    const Row rows[] = {
        {"--seconds 1e6", "--seconds"},
        {"--seconds 1e12", "--seconds"},
        {"--seconds 1e15", "--seconds"},
        {"--seconds 1e20", "--seconds"},
        {"--seconds inf", "--seconds"},
        {"--seconds nan", "--seconds"},
        {"--seconds -1", "--seconds"},
        {"--rate 768000 --seconds 3000", "--seconds"}, // more than a WAV file holds
        {"--rate 1e30", "--rate"},
        {"--block 0", "--block"},
        {"--runs 1e9", "--runs"},
        {"--param 99999999999=0.5", "--param"},
        {"--param 99=0.5", "--param"},
        {"--param nosuch=0.5", "--param"},
        {"--param Volume=nan", "--param"},
        {"--param Volume=inf", "--param"},
        {"--param =0.5", "--param"},
        {"--param-at 1e30:Volume=0.5", "--param-at"},
        {"--param-at nan:Volume=0.5", "--param-at"},
        {"--note 1e30:60:100:1", "--note"},
        {"--note nan:60:100:1", "--note"},
        {"--note 0:1e30:100:1", "--note"},
        {"--note 0:60:-1:1", "--note"},
        {"--note 0:60:100:inf", "--note"},
        {"--note 0:60:100:1:17", "--note"},
        {"--note 0:60:100", "--note"},
        {"--cc 0:1e30:1", "--cc"},
        {"--cc 0:7:128", "--cc"},
        {"--program 0:1e30", "--program"},
        {"--program 1e300:3", "--program"},
        {"--key 0:1e30", "--key"},
        {"--key 0:90:nan", "--key"},
        {"--click 1e30:10:10", "--click"},
        {"--click 0:1e30:10", "--click"},
        {"--click 0:10:10:1e30", "--click"},
        {"--hover 0:-1e30:5", "--hover"},
        {"--hover 0:5:nan", "--hover"},
        {"--drag 0:1:1:1e30:2:2", "--drag"},
        {"--drag 1:1:1:0.5:2:2", "--drag"},
        {"--shot 1e30:x.png", "--shot"},
        {"--scale 3", "--scale"},
    };
    for (const Row& row : rows) {
        int status = 0;
        const std::string output = runHost(std::string("--render /dev/null ") + row.arguments, status);
        EXPECT_EQ(exited(2), status) << row.arguments << "\n" << output;
        EXPECT_NE(std::string::npos, output.find(std::string("zintra-host: ") + row.option)) << output;
    }
}

// A long drag and a note held far past the render are fine: the drag's
// steps are thinned, the note-off never comes.
TEST(CommandLineHostHostile, LongDragsAndLateEventsAreTakenWithinBounds)
{
    int status = 0;
    const std::string output =
        runHost("--seconds 0.1 --drag 0:10:10:3600:20:20 --note 0:69:100:1000000 --cc 1e6:7:1", status);
    EXPECT_EQ(0, status) << output;
}

// A small valid file (35 bytes), then damaged: a track without its end, a
// wrong track length, every truncation. Each ends the run with status 1,
// the file named with the reason.
TEST(CommandLineHostHostile, DamagedMidiFilesEndTheRunWithAReason)
{
    const testhost::ScratchFolder folder;
    ASSERT_TRUE(folder.valid());
    const std::string valid = {'M', 'T', 'h',    'd',  0,      0,   0, 6, 0,      0,    0,    1,
                               0,   96,  'M',    'T',  'r',    'k', 0, 0, 0,      13,   0x60, '\x90',
                               69,  100, '\x81', 0x40, '\x80', 69,  0, 0, '\xFF', 0x2F, 0};
    ASSERT_EQ(35u, valid.size());
    struct Row {
        std::string name;
        std::string bytes;
        const char* reason;
    };
    std::string noEnd = valid.substr(0, 31);
    noEnd[21] = 9;
    std::string shortLength = valid;
    shortLength[21] = 6;
    std::vector<Row> rows = {
        {"no-end.mid", noEnd, "without an end-of-track event"},
        {"short-length.mid", shortLength, "ends inside an event"},
    };
    for (std::size_t size = 0; size < valid.size(); size += (size < 20 ? 5 : 1))
        rows.push_back({"cut-" + std::to_string(size) + ".mid", valid.substr(0, size), ""});
    for (const Row& row : rows) {
        const std::string path = folder.file(row.name);
        writeText(path, row.bytes);
        int status = 0;
        const std::string output = runHost("--render /dev/null --midi " + path, status);
        EXPECT_EQ(exited(1), status) << row.name << "\n" << output;
        EXPECT_NE(std::string::npos, output.find(path + " is not a Standard MIDI File that can be played")) << output;
        EXPECT_NE(std::string::npos, output.find(row.reason)) << output;
    }
    const std::string path = folder.file("valid.mid");
    writeText(path, valid);
    int status = 0;
    const std::string output = runHost("--render /dev/null --midi " + path, status);
    EXPECT_EQ(0, status) << output;
}

// A save cut short by a file-size limit (as a full disk would cut it):
// status 1 with the reason, the earlier bank byte for byte as it was, no
// temporary file left.
TEST(CommandLineHostHostile, ASaveThatFailsPartWayLeavesTheEarlierFileWhole)
{
    const testhost::ScratchFolder folder;
    ASSERT_TRUE(folder.valid());
    std::ptrdiff_t saved = 0;
    for (const char* name : {"earlier.bank", "earlier.fxb", "earlier.fxp"}) {
        const std::string path = folder.file(name);
        const std::string option =
            std::string(name).find(".fxp") != std::string::npos ? "--save-program " : "--save-bank ";
        int status = 0;
        std::string output = runHost("--param Volume=0.2 " + option + path, status);
        ASSERT_EQ(0, status) << output;
        const std::string earlier = contentOf(path);
        ASSERT_FALSE(earlier.empty());
        // A bank cut after its first 512 bytes, a program (148 bytes) before its first.
        const std::string blocks = earlier.size() > 512 ? "1" : "0";
        // The limit in the shell that starts the host; the signal a write
        // past it sends is ignored, so the write fails with EFBIG instead.
        const std::string command = "sh -c \"trap '' XFSZ; ulimit -f " + blocks + "; exec " +
                                    std::string(ZINTRA_HOST_PATH) + " --param Volume=0.9 " + option + path + "\" 2>&1";
        std::FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(nullptr, pipe);
        output.clear();
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
            output += buffer;
        status = pclose(pipe);
        EXPECT_EQ(exited(1), status) << name << "\n" << output;
        EXPECT_NE(std::string::npos, output.find("File too large")) << output;
        EXPECT_EQ(earlier, contentOf(path)) << name;
        const auto names = std::distance(std::filesystem::directory_iterator(folder.path()), {});
        EXPECT_EQ(++saved, names) << name << ": no temporary file left";
    }
}

// The shared save (the player's and this host's): a link is followed and
// kept, a folder, a FIFO or a device is refused and left alone.
TEST(ReplaceFile, FollowsLinksAndRefusesWhatIsNotARegularFile)
{
    namespace fs = std::filesystem;
    const testhost::ScratchFolder folder;
    ASSERT_TRUE(folder.valid());
    writeText(folder.file("bank"), "old");
    writeText(folder.file("target"), "old");
    fs::create_symlink(folder.file("target"), folder.file("link"));
    fs::create_symlink(folder.file("not-yet"), folder.file("dangling"));
    fs::create_directory(folder.file("folder"));
    ASSERT_EQ(0, mkfifo(folder.file("fifo").c_str(), 0644));
    fs::create_symlink("/dev/null", folder.file("device"));
    struct Row {
        const char* name;
        bool saved;
        const char* written; // the file that holds the new bytes
        const char* reason;
    };
    const Row rows[] = {
        {"bank", true, "bank", ""},
        {"new", true, "new", ""},
        {"link", true, "target", ""},
        {"dangling", true, "not-yet", ""},
        {"folder", false, "", "Is a directory"},
        {"fifo", false, "", "not a regular file"},
        {"device", false, "", "not a regular file"},
        {"missing/bank", false, "", "No such file or directory"},
    };
    for (const Row& row : rows) {
        std::string error;
        EXPECT_EQ(row.saved, replacefile::write(folder.file(row.name), "new", 3, error)) << row.name << ": " << error;
        if (row.saved)
            EXPECT_EQ("new", contentOf(folder.file(row.written))) << row.name;
        else
            EXPECT_NE(std::string::npos, error.find(row.reason)) << row.name << ": " << error;
    }
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(folder.file("link")))) << "the link is kept";
    EXPECT_TRUE(fs::is_directory(folder.file("folder")));
    EXPECT_TRUE(fs::is_fifo(folder.file("fifo")));
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder.path()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(9u, names.size()) << "no temporary file is left";
}

} // namespace
