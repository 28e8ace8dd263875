#include "core/FileNamePlacement.h"

#include <filesystem>
#include <system_error>

namespace vt {

namespace fs = std::filesystem;

namespace {

// Whether the normalised path lies below the normalised root (the root itself is not below it).
bool Below(const fs::path& path, const std::string& root) {
    const fs::path relative = path.lexically_relative(fs::path(root).lexically_normal());
    if (relative.empty() || relative == ".") return false;
    return *relative.begin() != "..";
}

}  // namespace

std::optional<std::string> PlaceFileName(std::string_view text, const std::string& folder, const std::string& root) {
    const fs::path given{std::string(text)};
    const std::string base = given.filename().string();
    if (base.find_first_not_of('.') == std::string::npos) return std::nullopt;
    if (given.is_absolute()) return given.lexically_normal().generic_string();
    const fs::path placed = (fs::path(folder) / given).lexically_normal();
    if (root.empty()) return placed.generic_string();
    // Step by step: a name that climbs out of the root and back in has left it too.
    const fs::path start = fs::path(folder).lexically_normal().lexically_relative(fs::path(root).lexically_normal());
    if (start.empty() || *start.begin() == "..") return std::nullopt;
    int depth = 0;
    for (const fs::path& part : start / given) {
        if (part == "..") --depth;
        else if (!part.empty() && part != ".") ++depth;
        if (depth < 0) return std::nullopt;
    }
    return placed.generic_string();
}

void MakeFolderBelowRoot(const std::string& path, const std::string& root) {
    if (root.empty()) return;
    const fs::path folder = fs::path(path).lexically_normal().parent_path();
    if (!Below(folder, root)) return;
    std::error_code ec;
    fs::create_directories(folder, ec);
}

}  // namespace vt
