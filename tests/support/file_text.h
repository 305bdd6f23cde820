// Whole files read and written by path in tests: what a program left on disk, and what it is given.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace KorvelTest {

// The bytes of the file; empty when it cannot be read.
inline std::string ReadFileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Writes the bytes, making the file's folder and its parents first.
inline void WriteFileText(const std::string& path, const std::string& text)
{
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace KorvelTest
