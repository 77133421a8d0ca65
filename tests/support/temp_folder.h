#pragma once
// A folder of a test's own under the system's temporary folder, removed with everything in it
// when the test is done, also when it fails.
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace zelmar::testing {

class TempFolder {
  public:
    // `prefix` names the folder, so that one left behind by a crash tells whose it was.
    explicit TempFolder(const std::string& prefix = "zelmar-test") {
        std::error_code error;
        const std::filesystem::path parent = std::filesystem::temp_directory_path(error);
        if (error) return;
        // create_directory makes the folder or reports that it was there already, in one step
        // on every system, so two tests never share one.
        std::mt19937_64 random(std::random_device{}());
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            const std::filesystem::path candidate =
                parent / (prefix + "-" + std::to_string(random() % 1000000000));
            if (std::filesystem::create_directory(candidate, error)) path_ = candidate;
        }
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
