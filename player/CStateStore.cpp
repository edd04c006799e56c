#include "CStateStore.h"

#include "CFolderLock.h"
#include "ReplaceFile.h"
#include "WholeFile.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

constexpr const char* kFolderName = "zintra";
constexpr const char* kStateName = "state.bank";
constexpr const char* kDamagedSuffix = ".damaged";

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

} // namespace

std::string CStateStore::defaultFolder()
{
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the convention says.
    const std::string config = environment("XDG_CONFIG_HOME");
    if (!config.empty() && config[0] == '/')
        return config + "/" + kFolderName;
    const std::string home = environment("HOME");
    if (home.empty())
        return std::string();
    return home + "/.config/" + kFolderName;
}

CStateStore::CStateStore(std::string folder)
    : m_folder(std::move(folder))
{
}

std::string CStateStore::statePath() const
{
    return m_folder + "/" + kStateName;
}

bool CStateStore::prepareFolder(std::string& error) const
{
    std::error_code code;
    std::filesystem::create_directories(m_folder, code);
    if (code) {
        error = "cannot make the configuration folder " + m_folder + ": " + code.message();
        return false;
    }
    // A file made beside the state and removed, as a save makes one.
    return replacefile::probe(statePath(), error);
}

bool CStateStore::exists(const std::string& path)
{
    std::error_code code;
    const std::filesystem::file_status status = std::filesystem::status(path, code);
    return status.type() != std::filesystem::file_type::not_found;
}

bool CStateStore::readFile(const std::string& path, std::vector<unsigned char>& bytes, std::string& error)
{
    return wholefile::read(path, kLargestFile, bytes, error);
}

bool CStateStore::writeFile(const std::string& path, const void* data, std::size_t size, std::string& error)
{
    return replacefile::write(path, data, size, error);
}

std::string CStateStore::setAside(const std::string& path)
{
    // Another player setting a file aside in this folder takes its turn, so
    // that a free name stays free until the rename.
    const std::string parent = std::filesystem::path(path).parent_path().string();
    const CFolderLock folder(parent.empty() ? std::string(".") : parent);
    for (int number = 1; number <= kMostSetAside; ++number) {
        const std::string damaged = path + kDamagedSuffix + (number == 1 ? "" : "." + std::to_string(number));
        std::error_code code;
        // The name itself: a symbolic link there, even to nothing, is taken.
        if (std::filesystem::symlink_status(damaged, code).type() != std::filesystem::file_type::not_found)
            continue;
        std::filesystem::rename(path, damaged, code);
        if (code)
            return std::string();
        folder.sync();
        return damaged;
    }
    return std::string();
}
