#pragma once
// A folder of a test's own under the system's temporary folder, removed with everything in it
// when the test is done, also when it fails.
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace zelmar::testing {

class TempFolder {
  public:
    // `prefix` names the folder, so that one left behind by a crash tells whose it was.
    explicit TempFolder(const std::string& prefix = "zelmar-test") {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Empty when no folder could be made.
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const {
        return path_ / name;
    }

  private:
    std::filesystem::path path_;
};

}  // namespace zelmar::testing
