#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

// A file's bytes read and written whole, for tests ("" for one that cannot
// be read).
namespace filetext {

inline std::string contentOf(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeText(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

} // namespace filetext
