// The bank and program files: what is written reads back the same, and a
// file that is truncated, damaged, of another kind or of another plug-in is
// refused with its reason.
#include "CPresetFile.h"
#include "PanelCodes.h"
#include "ProductIdentity.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Kind = CPresetFile::Kind;

CPresetFile::Contents sample(Kind kind, std::string name = "Piano", std::size_t chunkSize = 300)
{
    CPresetFile::Contents contents;
    contents.kind = kind;
    contents.pluginId = product::kVst2UniqueId;
    contents.pluginVersion = 7;
    contents.count = kind == Kind::kBank ? 6 : 15;
    contents.currentProgram = kind == Kind::kBank ? 4 : 0;
    contents.programName = kind == Kind::kProgram ? name : std::string();
    for (std::size_t i = 0; i < chunkSize; ++i)
        contents.chunk.push_back(static_cast<unsigned char>(i * 7 + 3));
    return contents;
}

// Reads bytes as Zintra's; the reason, "" when it was read.
std::string refusal(const std::vector<unsigned char>& bytes, CPresetFile::Contents* contents = nullptr)
{
    CPresetFile::Contents read;
    std::string error;
    if (!CPresetFile::read(bytes.data(), bytes.size(), product::kVst2UniqueId, read, error))
        return error.empty() ? "refused without a reason" : error;
    if (contents != nullptr)
        *contents = read;
    return std::string();
}

void putField(std::vector<unsigned char>& bytes, std::size_t at, const char* text)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<unsigned char>(text[i]);
}

void putNumber(std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<unsigned char>(value >> (24 - 8 * i));
}

TEST(PresetFileTest, WhatIsWrittenReadsBackTheSameWithItsHeaderBigEndian)
{
    struct Row {
        Kind kind;
        std::string name;
        std::size_t chunkSize;
        std::string nameRead;
    };
    const Row rows[] = {
        {Kind::kBank, "", 300, ""},
        {Kind::kBank, "", 1, ""},
        {Kind::kProgram, "Piano", 300, "Piano"},
        {Kind::kProgram, "", 40, ""},
        {Kind::kProgram, std::string(27, 'n'), 40, std::string(27, 'n')},
        {Kind::kProgram, std::string(40, 'n'), 40, std::string(27, 'n')},
    };
    for (const Row& row : rows) {
        const CPresetFile::Contents written = sample(row.kind, row.name, row.chunkSize);
        const std::vector<unsigned char> bytes = CPresetFile::write(written);
        const std::size_t header = row.kind == Kind::kBank ? 160u : 60u;
        ASSERT_EQ(header + row.chunkSize, bytes.size());
        EXPECT_EQ("CcnK", std::string(bytes.begin(), bytes.begin() + 4));
        EXPECT_EQ(row.kind == Kind::kBank ? "FBCh" : "FPCh", std::string(bytes.begin() + 8, bytes.begin() + 12));
        EXPECT_EQ("qbo1", std::string(bytes.begin() + 16, bytes.begin() + 20));
        EXPECT_EQ(bytes.size() - 8, std::size_t(bytes[6]) * 256 + bytes[7]) << "the byte size, big-endian";
        EXPECT_EQ(row.kind == Kind::kBank ? 2 : 1, bytes[15]) << "the format's version";
        EXPECT_EQ(7, bytes[23]) << "the plug-in's version";
        EXPECT_EQ(row.kind == Kind::kBank ? 6 : 15, bytes[27]) << "programs, or parameters";
        if (row.kind == Kind::kBank) {
            EXPECT_EQ(4, bytes[31]) << "the current program";
            EXPECT_EQ(std::vector<unsigned char>(124, 0),
                      std::vector<unsigned char>(bytes.begin() + 32, bytes.begin() + 156))
                << "reserved";
        }
        EXPECT_EQ(row.chunkSize, std::size_t(bytes[header - 2]) * 256 + bytes[header - 1]) << "the chunk's size";

        CPresetFile::Contents read;
        ASSERT_EQ("", refusal(bytes, &read));
        EXPECT_EQ(row.kind, read.kind);
        EXPECT_EQ(product::kVst2UniqueId, read.pluginId);
        EXPECT_EQ(7, read.pluginVersion);
        EXPECT_EQ(written.count, read.count);
        EXPECT_EQ(written.currentProgram, read.currentProgram);
        EXPECT_EQ(row.nameRead, read.programName);
        EXPECT_EQ(written.chunk, read.chunk);
    }
}

TEST(PresetFileTest, AFileWithAWrongFieldIsRefusedWithItsReason)
{
    struct Row {
        const char* name;
        Kind kind;
        std::size_t at;
        const char* text; // a four-character field, or null for number
        std::uint32_t number;
        const char* reason; // "" when the file is still read
    };
    const Row rows[] = {
        {"magic", Kind::kBank, 0, "RIFF", 0, "not a preset file"},
        {"byte size too large", Kind::kBank, 4, nullptr, 161 + 300 - 8, "header says 461 bytes, the file has 460"},
        {"byte size below a header", Kind::kProgram, 4, nullptr, 19, "truncated or damaged"},
        {"byte size below the bank header", Kind::kBank, 4, nullptr, 100, "shorter than the 160-byte header"},
        {"byte size below the chunk", Kind::kBank, 4, nullptr, 160 + 299 - 8, "its chunk is said to have 300 bytes"},
        {"parameter bank", Kind::kBank, 8, "FxBk", 0, "not a chunk file"},
        {"parameter program", Kind::kProgram, 8, "FxCk", 0, "not a chunk file"},
        {"unknown kind", Kind::kBank, 8, "ABCD", 0, "unknown kind 'ABCD'"},
        {"bank format version 3", Kind::kBank, 12, nullptr, 3, "unknown format version 3"},
        {"program format version 2", Kind::kProgram, 12, nullptr, 2, "unknown format version 2"},
        {"bank format version 1", Kind::kBank, 12, nullptr, 1, ""},
        {"another plug-in", Kind::kBank, 16, "abcd", 0, "the plug-in 'abcd', not of this one ('qbo1')"},
        {"an unprintable ID", Kind::kProgram, 16, nullptr, 0x01020304, "'0x01020304', not of this one ('qbo1')"},
        {"another plug-in version: the chunk has its own", Kind::kBank, 20, nullptr, 99, ""},
        {"negative count", Kind::kBank, 24, nullptr, 0xffffffffu, "negative count"},
        {"reserved bytes set", Kind::kBank, 100, "abcd", 0, ""},
        {"bank chunk size too large", Kind::kBank, 156, nullptr, 301, "chunk is said to have 301 bytes, 300 follow"},
        {"bank chunk size negative", Kind::kBank, 156, nullptr, 0x80000000u, "chunk is said to have -2147483648"},
        {"bank chunk size zero", Kind::kBank, 156, nullptr, 0, "chunk is said to have 0 bytes"},
        {"program chunk size too large", Kind::kProgram, 56, nullptr, 301, "chunk is said to have 301 bytes"},
        {"a name of 28 characters", Kind::kProgram, 52, "abcd", 0, ""},
    };
    for (const Row& row : rows) {
        std::vector<unsigned char> bytes = CPresetFile::write(sample(row.kind, std::string(27, 'x')));
        if (row.text != nullptr)
            putField(bytes, row.at, row.text);
        else
            putNumber(bytes, row.at, row.number);
        CPresetFile::Contents read;
        const std::string reason = refusal(bytes, &read);
        if (*row.reason == '\0') {
            EXPECT_EQ("", reason) << row.name;
            EXPECT_EQ(sample(row.kind).chunk, read.chunk) << row.name;
        } else {
            EXPECT_NE(std::string::npos, reason.find(row.reason)) << row.name << ": " << reason;
        }
    }
    // A version 1 bank has no current program; a name without its end
    // stops at its field's end.
    std::vector<unsigned char> bank = CPresetFile::write(sample(Kind::kBank));
    putNumber(bank, 12, 1);
    CPresetFile::Contents read;
    ASSERT_EQ("", refusal(bank, &read));
    EXPECT_EQ(-1, read.currentProgram);
    std::vector<unsigned char> program = CPresetFile::write(sample(Kind::kProgram, std::string(27, 'x')));
    program[55] = 'y';
    ASSERT_EQ("", refusal(program, &read));
    EXPECT_EQ(std::string(27, 'x') + "y", read.programName);
}

TEST(PresetFileTest, AFileCutAtAnyHeaderBoundaryOrInItsChunkIsRefused)
{
    struct Row {
        Kind kind;
        std::vector<std::size_t> cuts;
    };
    const Row rows[] = {
        {Kind::kBank, {0, 3, 4, 8, 12, 16, 20, 24, 28, 32, 156, 160, 161, 459}},
        {Kind::kProgram, {0, 4, 8, 12, 16, 20, 24, 28, 56, 60, 61, 359}},
    };
    for (const Row& row : rows) {
        const std::vector<unsigned char> whole = CPresetFile::write(sample(row.kind));
        for (std::size_t cut : row.cuts) {
            ASSERT_LT(cut, whole.size());
            std::vector<unsigned char> bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
            EXPECT_NE("", refusal(bytes)) << "cut at " << cut;
            // The same with a byte size that agrees with the cut.
            if (cut >= 8) {
                putNumber(bytes, 4, static_cast<std::uint32_t>(cut - 8));
                EXPECT_NE("", refusal(bytes)) << "cut at " << cut << ", its size agreeing";
            }
        }
    }
    // Bytes after the file the header describes are not read.
    std::vector<unsigned char> longer = CPresetFile::write(sample(Kind::kProgram));
    longer.push_back(0xee);
    CPresetFile::Contents read;
    ASSERT_EQ("", refusal(longer, &read));
    EXPECT_EQ(sample(Kind::kProgram).chunk, read.chunk);
}

} // namespace
