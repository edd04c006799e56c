// The command-line host's bank and program files: what it writes loads into
// the plug-in (a host's setChunk) as the same chunk, and it refuses a file
// of another plug-in or of the other kind.
#include "CPresetFile.h"
#include "LoadedPlugin.h"
#include "RunHost.h"
#include "ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using testhost::runHost;

std::vector<unsigned char> bytesOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

CPresetFile::Contents readPresetFile(const std::string& path, std::uint32_t id)
{
    const std::vector<unsigned char> bytes = bytesOf(path);
    CPresetFile::Contents contents;
    std::string error;
    EXPECT_TRUE(CPresetFile::read(bytes.data(), bytes.size(), id, contents, error)) << path << ": " << error;
    return contents;
}

TEST(CommandLineHostPresetFiles, ABankAndAProgramFileItWritesLoadIntoThePluginIdentically)
{
    const testhost::ScratchFolder folder;
    ASSERT_TRUE(folder.valid());
    const std::string bankFile = folder.file("edited.fxb");
    const std::string programFile = folder.file("edited.fxp");
    int status = 0;
    const std::string output =
        runHost("--program 0:3 --param Volume=0.3 --param Mode=0.5 --render " + folder.file("edit.wav") +
                    " --seconds 0.05 --save-bank " + bankFile + " --save-program " + programFile,
                status);
    ASSERT_EQ(0, status) << output;

    testhost::LoadedPlugin plugin;
    ASSERT_NE(nullptr, plugin.effect);
    const auto id = static_cast<std::uint32_t>(plugin.effect->uniqueID);
    const CPresetFile::Contents bank = readPresetFile(bankFile, id);
    EXPECT_EQ(CPresetFile::Kind::kBank, bank.kind);
    EXPECT_EQ(plugin.effect->numPrograms, bank.count);
    EXPECT_EQ(plugin.effect->version, bank.pluginVersion);
    EXPECT_EQ(3, bank.currentProgram);
    const std::vector<unsigned char> fresh = plugin.chunk();
    EXPECT_NE(fresh, bank.chunk) << "the edited bank, not a fresh one";
    EXPECT_NE(0, plugin.load(bank.chunk));
    EXPECT_EQ(bank.chunk, plugin.chunk()) << "the bank file's chunk taken whole";
    EXPECT_EQ(3, plugin.call(effGetProgram));

    const CPresetFile::Contents program = readPresetFile(programFile, id);
    EXPECT_EQ(CPresetFile::Kind::kProgram, program.kind);
    EXPECT_EQ(plugin.effect->numParams, program.count);
    char name[64] = {};
    plugin.call(effGetProgramName, 0, 0, name);
    EXPECT_EQ(name, program.programName);
    EXPECT_EQ(program.chunk, plugin.chunk(true)) << "the program file holds the current program";
    plugin.call(effSetProgram, 0, 0);
    EXPECT_NE(program.chunk, plugin.chunk(true));
    plugin.load(program.chunk, true);
    EXPECT_EQ(program.chunk, plugin.chunk(true)) << "the program file loaded into program 1";

    // And back through the host: the bank file loads and saves as the chunk.
    const std::string plain = folder.file("again.bank");
    const std::string again = runHost("--load-bank " + bankFile + " --save-bank " + plain, status);
    ASSERT_EQ(0, status) << again;
    EXPECT_EQ(std::string::npos, again.find("zintra-host: bank")) << again;
    EXPECT_EQ(bank.chunk, bytesOf(plain));
}

TEST(CommandLineHostPresetFiles, FilesOfAnotherPluginOrKindAreRefusedWithTheirReason)
{
    const testhost::ScratchFolder folder;
    ASSERT_TRUE(folder.valid());
    const std::string bankFile = folder.file("own.fxb");
    const std::string programFile = folder.file("own.fxp");
    int status = 0;
    ASSERT_EQ("", [&] {
        const std::string output = runHost("--save-bank " + bankFile + " --save-program " + programFile, status);
        return status == 0 ? std::string() : output;
    }());
    std::vector<unsigned char> other = bytesOf(bankFile);
    ASSERT_GT(other.size(), 20u);
    other[16] = 'a', other[17] = 'b', other[18] = 'c', other[19] = 'd';
    const std::string otherFile = folder.file("other.fxb");
    writeBytes(otherFile, other);
    const std::string programNamedBank = folder.file("program.fxb");
    writeBytes(programNamedBank, bytesOf(programFile));

    struct Row {
        std::string arguments;
        int status;
        const char* message;
    };
    const Row rows[] = {
        {"--load-bank " + otherFile, 256, "the plug-in 'abcd', not of this one ('qbo1')"},
        {"--load-bank " + programNamedBank, 256, "not a bank (.fxb) file"},
        {"--load-program " + bankFile, 256, "not a program (.fxp) file"},
        {"--load-bank " + folder.file("missing.fxb"), 256, "cannot read"},
        {"--save-bank " + folder.file("bank.fxp"), 256, "a bank (.fxb) is not saved in a file named so"},
    };
    for (const Row& row : rows) {
        const std::string output = runHost(row.arguments, status);
        EXPECT_EQ(row.status, status) << row.arguments << "\n" << output;
        EXPECT_NE(std::string::npos, output.find(row.message)) << row.arguments << "\n" << output;
    }
}

// Whatever --load-bank, --load-program or --midi is given (a folder, a file
// that cannot be read, an empty or a damaged one, as a bare chunk or as a bank
// or program file), the host names the file and the reason, ends with status
// 1 and writes neither its render nor its saves.
TEST(CommandLineHostPresetFiles, AFileThatCannotBeLoadedEndsTheRunBeforeAnythingIsWritten)
{
    const testhost::ScratchFolder folder;
    ASSERT_TRUE(folder.valid());
    struct File {
        const char* name;
        const char* content; // null: a folder
    };
    const File files[] = {{"folder.bank", nullptr},
                          {"folder.fxb", nullptr},
                          {"folder.fxp", nullptr},
                          {"empty.bank", ""},
                          {"empty.fxb", ""},
                          {"empty.fxp", ""},
                          {"damaged.bank", "not a bank"},
                          {"damaged.fxb", "CcnK damaged"},
                          {"damaged.fxp", "CcnK damaged"},
                          {"damaged.mid", "MThd damaged"}};
    for (const File& file : files) {
        if (file.content == nullptr)
            std::filesystem::create_directory(folder.file(file.name));
        else
            std::ofstream(folder.file(file.name), std::ios::binary) << file.content;
    }
    struct Row {
        const char* option;
        const char* file;
        std::string message; // after "zintra-host: "
    };
    std::vector<Row> rows = {
        {"--load-bank", "folder.bank", "bank: cannot read " + folder.file("folder.bank") + ": Is a directory"},
        {"--load-bank", "folder.fxb", "bank: cannot read " + folder.file("folder.fxb") + ": Is a directory"},
        {"--load-program", "folder.fxp", "program: cannot read " + folder.file("folder.fxp") + ": Is a directory"},
        {"--load-bank", "empty.bank", "bank: " + folder.file("empty.bank") + " is empty"},
        {"--load-bank", "empty.fxb", "bank: " + folder.file("empty.fxb") + " is empty"},
        {"--load-program", "empty.fxp", "program: " + folder.file("empty.fxp") + " is empty"},
        {"--load-bank", "damaged.bank", "bank: " + folder.file("damaged.bank") + " was refused"},
        {"--load-program", "damaged.bank", "program: " + folder.file("damaged.bank") + " was refused"},
        {"--load-bank", "damaged.fxb", "bank: " + folder.file("damaged.fxb") + ": "},
        {"--load-program", "damaged.fxp", "program: " + folder.file("damaged.fxp") + ": "},
    };
#ifdef __linux__
    // MIDI files are read on Linux only.
    rows.push_back({"--midi", "folder.bank", "cannot read " + folder.file("folder.bank") + ": Is a directory"});
    rows.push_back({"--midi", "damaged.mid", folder.file("damaged.mid") + " is not a Standard MIDI File"});
    // A regular file that opens and then fails to read (EIO): a process's
    // memory at address 0. Root reads any file, so a file without read
    // permission would not do.
    std::filesystem::create_symlink("/proc/self/mem", folder.file("unreadable.fxb"));
    rows.push_back({"--load-bank", "unreadable.fxb",
                    "bank: cannot read " + folder.file("unreadable.fxb") + ": Input/output error"});
    rows.push_back({"--load-program", "unreadable.fxb",
                    "program: cannot read " + folder.file("unreadable.fxb") + ": Input/output error"});
#endif
    const std::string wav = folder.file("out.wav");
    const std::string savedBank = folder.file("saved.bank");
    const std::string savedProgram = folder.file("saved.program");
    for (const Row& row : rows) {
        int status = 0;
        const std::string output =
            runHost(std::string(row.option) + " " + folder.file(row.file) + " --render " + wav +
                        " --seconds 0.05 --save-bank " + savedBank + " --save-program " + savedProgram,
                    status);
        EXPECT_EQ(256, status) << row.option << " " << row.file << "\n" << output;
        EXPECT_NE(std::string::npos, output.find("zintra-host: " + row.message)) << row.option << "\n" << output;
        EXPECT_FALSE(std::filesystem::exists(wav)) << row.option << " " << row.file;
        EXPECT_FALSE(std::filesystem::exists(savedBank)) << row.option << " " << row.file;
        EXPECT_FALSE(std::filesystem::exists(savedProgram)) << row.option << " " << row.file;
    }
}

} // namespace
