#pragma once
// A whole file as one string, byte for byte: what a program under test left on disk.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace zelmar::testing {

// Empty when the file cannot be read, so that a missing file fails the comparison it is in.
inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace zelmar::testing
