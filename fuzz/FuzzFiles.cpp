#include "FuzzFiles.h"

#include <cstdlib>
#include <fstream>
#include <string>

namespace vt::fuzz {

namespace {

void RemoveFuzzFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(FuzzFolder(), ignored);
}

}  // namespace

const std::filesystem::path& FuzzFolder() {
    // Never destroyed: its removal at the exit still needs the name.
    static const std::filesystem::path* folder = [] {
        // In memory where the system has such a folder: the files are written (and synced) per input.
        std::error_code ec;
        const std::filesystem::path base =
            std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm" : std::filesystem::temp_directory_path();
        std::string pattern = (base / "vt_fuzz_XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        auto* made = new std::filesystem::path(pattern);
        std::atexit(RemoveFuzzFolder);
        return made;
    }();
    return *folder;
}

std::filesystem::path WriteInputFile(std::string_view name, std::string_view bytes) {
    const std::filesystem::path path = FuzzFolder() / name;
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

}  // namespace vt::fuzz
