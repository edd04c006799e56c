#include "CPresetFile.h"

#include "ByteOrder.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::uint32_t code(const char (&text)[5])
{
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(text[0])) << 24) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(text[1])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(text[2])) << 8) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(text[3]));
}

constexpr std::uint32_t kFileMagic = code("CcnK");
constexpr std::uint32_t kBankChunkMagic = code("FBCh");
constexpr std::uint32_t kProgramChunkMagic = code("FPCh");
constexpr std::uint32_t kBankListMagic = code("FxBk");
constexpr std::uint32_t kProgramListMagic = code("FxCk");
constexpr std::int32_t kProgramFormatVersion = 1;
constexpr std::int32_t kBankFormatVersion = 2;

// Field offsets; the byte size counts what follows it.
constexpr std::size_t kMagicAt = 0;
constexpr std::size_t kByteSizeAt = 4;
constexpr std::size_t kKindAt = 8;
constexpr std::size_t kFormatVersionAt = 12;
constexpr std::size_t kIdAt = 16;
constexpr std::size_t kPluginVersionAt = 20;
constexpr std::size_t kCountAt = 24;
constexpr std::size_t kCommonHeaderSize = 28;
constexpr std::size_t kNameAt = 28;
constexpr std::size_t kNameFieldSize = 28;
constexpr std::size_t kCurrentProgramAt = 28;
constexpr std::size_t kSizeFieldLength = 4;

std::int32_t getBigInt32(const unsigned char* in)
{
    const std::uint32_t bits = byteorder::getBigUint32(in);
    std::int32_t value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void putBigInt32(unsigned char* out, std::int32_t value)
{
    byteorder::putBigUint32(out, static_cast<std::uint32_t>(value));
}

std::string number(std::size_t value)
{
    return std::to_string(value);
}

// The kind field's meaning; false with the reason for another kind.
bool readKind(std::uint32_t kind, CPresetFile::Kind& result, std::string& error)
{
    if (kind == kBankChunkMagic || kind == kProgramChunkMagic) {
        result = kind == kBankChunkMagic ? CPresetFile::Kind::kBank : CPresetFile::Kind::kProgram;
        return true;
    }
    if (kind == kBankListMagic || kind == kProgramListMagic)
        error = "a preset file of parameter values ('" + CPresetFile::idText(kind) +
                "'), not a chunk file: only chunk files ('FBCh', 'FPCh') are read";
    else
        error = "a preset file of an unknown kind '" + CPresetFile::idText(kind) + "'";
    return false;
}

bool formatVersionKnown(CPresetFile::Kind kind, std::int32_t version)
{
    if (kind == CPresetFile::Kind::kProgram)
        return version == kProgramFormatVersion;
    return version == 1 || version == kBankFormatVersion;
}

} // namespace

bool CPresetFile::isPresetFile(const unsigned char* data, std::size_t size)
{
    return size >= 4 && byteorder::getBigUint32(data + kMagicAt) == kFileMagic;
}

bool CPresetFile::kindOfName(const std::string& name, Kind& kind)
{
    if (name.size() < 4)
        return false;
    std::string extension = name.substr(name.size() - 4);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension != ".fxb" && extension != ".fxp")
        return false;
    kind = extension == ".fxb" ? Kind::kBank : Kind::kProgram;
    return true;
}

std::string CPresetFile::idText(std::uint32_t id)
{
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((id >> shift) & 0xffu);
        if (c < 0x20 || c > 0x7e) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "0x%08x", static_cast<unsigned>(id));
            return hex;
        }
        text += c;
    }
    return text;
}

std::vector<unsigned char> CPresetFile::write(const Contents& contents)
{
    const bool bank = contents.kind == Kind::kBank;
    const std::size_t header = bank ? kBankHeaderSize : kProgramHeaderSize;
    std::vector<unsigned char> bytes(header + contents.chunk.size(), 0);
    unsigned char* out = bytes.data();
    byteorder::putBigUint32(out + kMagicAt, kFileMagic);
    byteorder::putBigUint32(out + kByteSizeAt, static_cast<std::uint32_t>(bytes.size() - 8));
    byteorder::putBigUint32(out + kKindAt, bank ? kBankChunkMagic : kProgramChunkMagic);
    putBigInt32(out + kFormatVersionAt, bank ? kBankFormatVersion : kProgramFormatVersion);
    byteorder::putBigUint32(out + kIdAt, contents.pluginId);
    putBigInt32(out + kPluginVersionAt, contents.pluginVersion);
    putBigInt32(out + kCountAt, contents.count);
    if (bank)
        putBigInt32(out + kCurrentProgramAt, contents.currentProgram);
    else
        std::memcpy(out + kNameAt, contents.programName.data(), std::min(contents.programName.size(), kMaxNameLength));
    putBigInt32(out + header - kSizeFieldLength, static_cast<std::int32_t>(contents.chunk.size()));
    std::copy(contents.chunk.begin(), contents.chunk.end(), bytes.begin() + static_cast<std::ptrdiff_t>(header));
    return bytes;
}

bool CPresetFile::read(const unsigned char* data, std::size_t size, std::uint32_t expectedId, Contents& contents,
                       std::string& error)
{
    if (!isPresetFile(data, size)) {
        error = "not a preset file (it does not start with 'CcnK')";
        return false;
    }
    if (size < kCommonHeaderSize) {
        error = "truncated: " + number(size) + " bytes, shorter than a preset file's header";
        return false;
    }
    // What the header says the file holds; bytes after it are not read.
    const std::uint32_t byteSize = byteorder::getBigUint32(data + kByteSizeAt);
    if (byteSize > size - 8 || byteSize < kCommonHeaderSize - 8) {
        error = "truncated or damaged: its header says " + number(std::size_t(byteSize) + 8) + " bytes, the file has " +
                number(size);
        return false;
    }
    const std::size_t end = std::size_t(byteSize) + 8;
    Contents read;
    if (!readKind(byteorder::getBigUint32(data + kKindAt), read.kind, error))
        return false;
    const std::int32_t formatVersion = getBigInt32(data + kFormatVersionAt);
    if (!formatVersionKnown(read.kind, formatVersion)) {
        error = "a preset file of an unknown format version " + std::to_string(formatVersion);
        return false;
    }
    read.pluginId = byteorder::getBigUint32(data + kIdAt);
    if (read.pluginId != expectedId) {
        error = "a preset file of the plug-in '" + idText(read.pluginId) + "', not of this one ('" +
                idText(expectedId) + "')";
        return false;
    }
    read.pluginVersion = getBigInt32(data + kPluginVersionAt);
    read.count = getBigInt32(data + kCountAt);
    if (read.count < 0) {
        error = "damaged: a negative count " + std::to_string(read.count);
        return false;
    }
    const bool bank = read.kind == Kind::kBank;
    const std::size_t header = bank ? kBankHeaderSize : kProgramHeaderSize;
    if (end < header) {
        error = "truncated: " + number(end) + " bytes, shorter than the " + number(header) + "-byte header";
        return false;
    }
    if (bank) {
        read.currentProgram = formatVersion >= kBankFormatVersion ? getBigInt32(data + kCurrentProgramAt) : -1;
    } else {
        const unsigned char* name = data + kNameAt;
        read.programName.assign(name, std::find(name, name + kNameFieldSize, 0));
    }
    const std::int32_t chunkSize = getBigInt32(data + header - kSizeFieldLength);
    if (chunkSize <= 0 || std::size_t(chunkSize) > end - header) {
        error = "truncated or damaged: its chunk is said to have " + std::to_string(chunkSize) + " bytes, " +
                number(end - header) + " follow the header";
        return false;
    }
    read.chunk.assign(data + header, data + header + chunkSize);
    contents = std::move(read);
    return true;
}
