// A fresh folder under the system's temporary folder, removed with everything in it at the end.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

namespace tessaly::test {

class TempFolder {
  public:
    TempFolder() {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                ("tessaly-test-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // The path of a file in the folder, `name` given in UTF-8, as the UTF-16 text the program's
    // own operations take.
    std::u16string Wide(std::string_view name) const {
        return (path_ / Utf8Path(name)).u16string();
    }

    void Write(std::string_view name, std::string_view bytes) const {
        const auto target = path_ / Utf8Path(name);
        std::filesystem::create_directories(target.parent_path());
        std::ofstream out(target, std::ios::binary);
        out.write(bytes.data(), std::streamsize(bytes.size()));
    }

  private:
    static std::filesystem::path Utf8Path(std::string_view name) {
        return std::filesystem::path(
            std::u8string(reinterpret_cast<const char8_t*>(name.data()), name.size()));
    }

    std::filesystem::path path_;
};

}  // namespace tessaly::test
