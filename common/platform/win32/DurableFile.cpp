#include "DurableFile.h"

#include <windows.h>

namespace {

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

} // namespace

namespace durablefile {

bool write(const std::string& path, const void* data, std::size_t size, std::string& error)
{
    const HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = "cannot write " + path + ": " + reasonOf(GetLastError());
        return false;
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
        return true;
    // Written in part (a full disk): not left behind.
    DeleteFileA(path.c_str());
    error = "cannot write " + path + ": " + reasonOf(writeError);
    return false;
}

bool replace(const std::string& from, const std::string& to, std::string& error)
{
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0)
        return true;
    error = "cannot replace " + to + ": " + reasonOf(GetLastError());
    return false;
}

} // namespace durablefile
