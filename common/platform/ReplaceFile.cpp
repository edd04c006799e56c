#include "ReplaceFile.h"

#include "CFolderLock.h"
#include "DurableFile.h"

#include <filesystem>
#include <system_error>

namespace {

namespace fs = std::filesystem;

constexpr int kMostLinks = 40; // as the system follows at most
// The temporary file's name starts with the file's own (telling whose it is,
// should a crash leave it), cut to this many bytes so that it fits wherever
// the file's name does.
constexpr std::size_t kStemLength = 32;

std::string folderOf(const fs::path& path)
{
    const std::string folder = path.parent_path().string();
    return folder.empty() ? std::string(".") : folder;
}

// The file that path names through its links (where the last one points
// when that is missing); false with the reason for a loop of links or for
// something there that is not a regular file.
bool resolve(const std::string& path, fs::path& target, std::string& error)
{
    std::error_code code;
    target = path;
    for (int hops = 0; fs::is_symlink(fs::symlink_status(target, code)); ++hops) {
        const fs::path link = fs::read_symlink(target, code);
        if (code || hops == kMostLinks) {
            if (!code)
                code = std::make_error_code(std::errc::too_many_symbolic_link_levels);
            error = "cannot write " + path + ": " + code.message();
            return false;
        }
        target = link.is_absolute() ? link : target.parent_path() / link;
    }
    const fs::file_status status = fs::status(target, code);
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        error = "cannot write " + path + ": " + (fs::is_directory(status) ? "Is a directory" : "not a regular file");
        return false;
    }
    return true;
}

// The start of the temporary file's name beside target: "NAME." with NAME
// cut short (between the bytes of a UTF-8 character, not inside one).
std::string stemBeside(const fs::path& target)
{
    std::string name = target.filename().string();
    if (name.size() > kStemLength) {
        std::size_t cut = kStemLength;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name.resize(cut);
    }
    return (target.parent_path() / (name + ".")).string();
}

// probe() of target, its failure named as path.
bool probeAs(const std::string& path, const fs::path& target, std::string& error)
{
    std::string reason;
    const char byte = 0;
    const std::string temporary = durablefile::nameFits(target.string(), reason)
                                      ? durablefile::writeNew(stemBeside(target), "", &byte, 1, reason)
                                      : std::string();
    if (temporary.empty()) {
        error = "cannot write " + path + ": " + reason;
        return false;
    }
    durablefile::remove(temporary);
    return true;
}

} // namespace

namespace replacefile {

bool write(const std::string& path, const void* data, std::size_t size, std::string& error)
{
    fs::path target;
    if (!resolve(path, target, error))
        return false;
    // Another program saving into the same folder waits for this save to end.
    const CFolderLock folder(folderOf(target));
    std::string reason;
    const std::string temporary = durablefile::writeNew(stemBeside(target), target.string(), data, size, reason);
    if (temporary.empty() || !durablefile::replace(temporary, target.string(), reason)) {
        if (!temporary.empty())
            durablefile::remove(temporary);
        error = "cannot write " + path + ": " + reason;
        return false;
    }
    // The new name on the disk too. A file system that cannot flush a
    // folder still has the file whole under one name or the other.
    folder.sync();
    return true;
}

bool check(const std::string& path, std::string& error)
{
    fs::path target;
    return resolve(path, target, error) && probeAs(path, target, error);
}

bool probe(const std::string& path, std::string& error)
{
    return probeAs(path, path, error);
}

} // namespace replacefile
