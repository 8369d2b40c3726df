#pragma once
// Whole files read and written in one go, as bytes or as text.
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace testsupport {

// The whole file as `Out` (bytes or text); empty when it cannot be read.
template <class Out = std::vector<uint8_t>> Out readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Out(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string readText(const std::string& path) {
    return readFile<std::string>(path);
}

inline void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

} // namespace testsupport
