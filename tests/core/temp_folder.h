#pragma once
// A fresh folder for one test, removed with everything in it afterwards.
#include <filesystem>
#include <random>
#include <string>

namespace vt::test {

class TempFolder {
public:
    TempFolder() {
        std::random_device rd;
        Path_ = std::filesystem::temp_directory_path() / ("vt_test_" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(Path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::permissions(Path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(Path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return Path_; }
    std::filesystem::path operator/(const std::string& name) const { return Path_ / name; }

private:
    std::filesystem::path Path_;
};

}  // namespace vt::test
