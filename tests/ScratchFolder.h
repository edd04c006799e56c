#pragma once
// A new, empty folder under the test temporary folder, removed with all it
// holds at the end of the scope. Every test that writes files takes its own,
// so that runs of the suite side by side never touch each other's files.

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace testhost {

class ScratchFolder {
public:
    ScratchFolder()
    {
        std::random_device random;
        for (int attempt = 0; attempt < 16 && m_path.empty(); ++attempt) {
            const std::filesystem::path candidate =
                std::filesystem::path(::testing::TempDir()) / ("zintra-" + std::to_string(random()));
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error))
                m_path = candidate;
        }
    }
    ~ScratchFolder()
    {
        if (!m_path.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(m_path, ignored);
        }
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    bool valid() const { return !m_path.empty(); }
    const std::filesystem::path& path() const { return m_path; }
    // The path of a file named name inside the folder.
    std::string file(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

} // namespace testhost
