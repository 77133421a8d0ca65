#pragma once
// The open-file dialog and the settings the window gives it.
#include <optional>
#include <string>

namespace zelmar {

struct FileDialogSettings {
    std::string dialogTitle;
    std::string defaultExt;
    std::string filter;  // "Description|pattern|Description|pattern"
    int flags = 0;
    int filterIndex = 1;  // 1-based, into the filter's pairs
    bool cancelError = false;
};

class FileDialog {
  public:
    virtual ~FileDialog() = default;
    // The full path of the chosen file, or nothing when the user cancelled.
    virtual std::optional<std::string> ShowOpen(const FileDialogSettings& settings) = 0;
};

}  // namespace zelmar
