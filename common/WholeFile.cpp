#include "WholeFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace {

// The reason for errno's value; a read error the C library did not explain
// is still told as one.
std::string reasonOf(int code)
{
    return code != 0 ? std::string(std::strerror(code)) : std::string("a read error");
}

} // namespace

namespace wholefile {

bool read(const std::string& path, std::size_t maxBytes, std::vector<unsigned char>& bytes, std::string& error)
{
    bytes.clear();
    const std::string what = "cannot read " + path + ": ";
    // The kind is asked before the file is opened: opening a FIFO would wait
    // for a writer.
    std::error_code code;
    const std::filesystem::file_status status = std::filesystem::status(path, code);
    if (code) {
        error = what + code.message();
        return false;
    }
    if (std::filesystem::is_directory(status)) {
        error = what + std::strerror(EISDIR);
        return false;
    }
    if (!std::filesystem::is_regular_file(status)) {
        error = what + "not a regular file";
        return false;
    }
    errno = 0;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                               [](std::FILE* opened) { return std::fclose(opened); });
    if (file == nullptr) {
        error = what + reasonOf(errno);
        return false;
    }
    // In pieces, whatever size the file claims (files of /proc claim none).
    unsigned char piece[16384];
    int readError = 0;
    for (;;) {
        errno = 0;
        const std::size_t got = std::fread(piece, 1, sizeof piece, file.get());
        readError = errno;
        if (got > maxBytes - bytes.size()) {
            bytes.clear();
            error = what + "longer than " + std::to_string(maxBytes) + " bytes";
            return false;
        }
        bytes.insert(bytes.end(), piece, piece + got);
        if (got < sizeof piece)
            break;
    }
    if (std::ferror(file.get()) != 0) {
        bytes.clear();
        error = what + reasonOf(readError);
        return false;
    }
    return true;
}

} // namespace wholefile
