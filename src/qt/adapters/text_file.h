#pragma once
// Whole text files on disk for the settings, image and log files: saved so that a crash or a
// full disk never leaves a half-written file, and read with a size bound so that a wrong pick in
// the file dialog cannot swallow the memory.
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zelmar {

// The largest file LoadTextFile reads; a full image is well under 100 kB.
inline constexpr qint64 kMaxTextFileBytes = 4 * 1024 * 1024;

// Takes the next piece of a file's text; false once the file cannot take more.
using TextSink = std::function<bool(std::string_view piece)>;
// Hands a file's text to the sink piece by piece; returns an empty string, or why it could not
// give all of it (a sink that refused a piece needs no reason: it knows its own).
using TextSource = std::function<std::string(const TextSink& sink)>;

// The one way every file of both programs is saved. Writes beside the target and replaces it
// only once every step (each write, the flush of what is buffered, the sync to disk, the
// rename) has succeeded; on any failure the old file stays as it was, or no file is made, and
// `error`, when given, receives a sentence naming the file, the cause ("No space left on
// device") and which of the two it is.
bool SaveTextFile(const QString& path, const TextSource& source, QString* error);
bool SaveTextFile(const QString& path, std::string_view text, QString* error);

// The bytes of the file, or nothing and a sentence in `error` for a folder, a file over
// kMaxTextFileBytes or one that cannot be read.
std::optional<std::string> LoadTextFile(const QString& path, QString* error);

}  // namespace zelmar
