#pragma once
// What the file targets share: a folder of their own for the files an input becomes, since the
// parsers read files by name.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

namespace vt::fuzz {

// A fresh folder (in /dev/shm where there is one, else the temporary folder), made on first use and
// kept for the process.
const std::filesystem::path& FuzzFolder();

// Writes the input as the file `name` in the fuzz folder and answers its path.
std::filesystem::path WriteInputFile(std::string_view name, std::string_view bytes);

inline std::string_view InputBytes(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

}  // namespace vt::fuzz
