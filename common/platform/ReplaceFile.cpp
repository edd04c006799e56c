#include "ReplaceFile.h"

#include "CFolderLock.h"
#include "DurableFile.h"

#include <filesystem>
#include <system_error>

namespace {

constexpr const char* kTemporarySuffix = ".tmp";
constexpr int kMostLinks = 40; // as the system follows at most

std::string folderOf(const std::filesystem::path& path)
{
    const std::string folder = path.parent_path().string();
    return folder.empty() ? std::string(".") : folder;
}

} // namespace

namespace replacefile {

bool write(const std::string& path, const void* data, std::size_t size, std::string& error)
{
    namespace fs = std::filesystem;
    std::error_code code;
    fs::path target = path;
    // Through links to the file they name (made where the last one points
    // when it is missing).
    for (int hops = 0; fs::is_symlink(fs::symlink_status(target, code)); ++hops) {
        const fs::path link = fs::read_symlink(target, code);
        if (code || hops == kMostLinks) {
            error = "cannot write " + path + ": " + (code ? code.message() : "too many levels of symbolic links");
            return false;
        }
        target = link.is_absolute() ? link : target.parent_path() / link;
    }
    const fs::file_status status = fs::status(target, code);
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        error = "cannot write " + path + ": " + (fs::is_directory(status) ? "Is a directory" : "not a regular file");
        return false;
    }
    // Another program saving into the same folder waits for this save to end.
    const CFolderLock folder(folderOf(target));
    const std::string temporary = target.string() + kTemporarySuffix;
    if (!durablefile::write(temporary, data, size, error))
        return false;
    if (!durablefile::replace(temporary, target.string(), error)) {
        fs::remove(temporary, code);
        return false;
    }
    // The new name on the disk too. A file system that cannot flush a
    // folder still has the file whole under one name or the other.
    folder.sync();
    return true;
}

} // namespace replacefile
