#pragma once
// A fresh folder below the system's temporary folder, removed with everything in it when the
// object goes away.

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace gf::test {

class TempFolder {
  public:
    explicit TempFolder(const std::string& prefix = "gf_test_") {
        std::random_device rd;
        for (int attempt = 0; attempt < 16; ++attempt) {
            Path_ = std::filesystem::temp_directory_path() /
                    (prefix + std::to_string(rd()) + std::to_string(rd()));
            std::error_code ec;
            if (std::filesystem::create_directory(Path_, ec))
                return;
        }
        throw std::filesystem::filesystem_error("can not create a temporary folder", Path_,
                                                std::make_error_code(std::errc::file_exists));
    }
    ~TempFolder() {
        std::error_code ec;
        // A test may have made the folder read-only; give it back before removing it.
        std::filesystem::permissions(Path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(Path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return Path_; }
    std::filesystem::path operator/(const std::string& name) const { return Path_ / name; }

  private:
    std::filesystem::path Path_;
};

}  // namespace gf::test
