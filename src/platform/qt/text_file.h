#pragma once
// Whole text files on disk for the settings and image files: saved so that a crash or a full
// disk never leaves a half-written file, and read with a size bound so that a wrong pick in
// the file dialog cannot swallow the memory.
#include <QString>
#include <optional>
#include <string>
#include <string_view>

namespace zelmar {

// The largest file LoadTextFile reads; a full image is well under 100 kB.
inline constexpr qint64 kMaxTextFileBytes = 4 * 1024 * 1024;

// Writes beside the target and replaces it only when everything is written; the old file
// stays as it was on failure. `error`, when given, receives a sentence naming the file.
bool SaveTextFile(const QString& path, std::string_view text, QString* error);

// The bytes of the file, or nothing and a sentence in `error` for a folder, a file over
// kMaxTextFileBytes or one that cannot be read.
std::optional<std::string> LoadTextFile(const QString& path, QString* error);

}  // namespace zelmar
