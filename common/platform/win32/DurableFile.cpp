#include "DurableFile.h"

#include <windows.h>

#include <random>

namespace {

// Names tried before giving up, should each one exist already.
constexpr int kNameAttempts = 100;
// The longest name of a file, and of a whole path, the ANSI functions take.
constexpr std::size_t kLongestName = 255;

std::string reasonOf(DWORD code)
{
    char text[256] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                        text, sizeof text, nullptr);
    std::string reason(text, length);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == '.'))
        reason.pop_back();
    return reason.empty() ? "system error " + std::to_string(code) : reason;
}

// Six letters and digits at random.
std::string randomSuffix(std::random_device& random)
{
    static const char kCharacters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string suffix;
    for (int i = 0; i < 6; ++i)
        suffix += kCharacters[random() % (sizeof kCharacters - 1)];
    return suffix;
}

// A new file of a name no file has (CREATE_NEW refuses an existing one).
HANDLE createNew(const std::string& stem, std::string& path, DWORD& failure)
{
    std::random_device random;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        path = stem + randomSuffix(random);
        const HANDLE file =
            CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        failure = GetLastError();
        if (file != INVALID_HANDLE_VALUE || (failure != ERROR_FILE_EXISTS && failure != ERROR_ALREADY_EXISTS))
            return file;
    }
    return INVALID_HANDLE_VALUE;
}

} // namespace

namespace durablefile {

// The new file takes its folder's inherited permissions, as the file it
// replaces had them: like is not needed here.
std::string writeNew(const std::string& stem, const std::string&, const void* data, std::size_t size,
                     std::string& error)
{
    std::string path;
    DWORD failure = 0;
    const HANDLE file = createNew(stem, path, failure);
    if (file == INVALID_HANDLE_VALUE) {
        error = reasonOf(failure);
        return std::string();
    }
    const char* bytes = static_cast<const char*>(data);
    bool written = true;
    while (written && size > 0) {
        const DWORD piece = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
        DWORD done = 0;
        written = WriteFile(file, bytes, piece, &done, nullptr) != 0 && done > 0;
        bytes += done;
        size -= done;
    }
    written = written && FlushFileBuffers(file) != 0;
    const DWORD writeError = GetLastError();
    written = CloseHandle(file) != 0 && written;
    if (written)
        return path;
    // Written in part (a full disk): not left behind.
    DeleteFileA(path.c_str());
    error = reasonOf(writeError);
    return std::string();
}

bool nameFits(const std::string& path, std::string& error)
{
    const std::size_t separator = path.find_last_of("/\\:");
    const std::size_t nameLength = path.size() - (separator == std::string::npos ? 0 : separator + 1);
    if (nameLength <= kLongestName && path.size() < MAX_PATH)
        return true;
    error = reasonOf(ERROR_FILENAME_EXCED_RANGE);
    return false;
}

bool replace(const std::string& from, const std::string& to, std::string& error)
{
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0)
        return true;
    error = reasonOf(GetLastError());
    return false;
}

void remove(const std::string& path)
{
    DeleteFileA(path.c_str());
}

} // namespace durablefile
