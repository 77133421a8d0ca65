#pragma once
// Settings and object images as plain text a technician can read, edit and diff: a header
// line with the format version, then one "object,value" line per entry.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dialogue/object_table.h"

namespace zelmar {

struct ObjectFileError {
    int line;  // 1-based; 0 for the file as a whole
    std::string message;
};

struct ObjectFileContent {
    std::vector<ObjectEntry> entries;
    std::optional<ObjectFileError> error;
};

// Checks the whole text; on any error `entries` is empty and `error` names the first bad line.
// A half-read file never reaches the device.
ObjectFileContent ParseObjectFile(std::string_view text);

// The header line, then one "object,value" line per entry in the given order, settings objects
// annotated.
std::string FormatObjectFile(const std::vector<ObjectEntry>& entries);

std::vector<ObjectEntry> SettingsEntriesOf(const ObjectTable& table);  // objects 0, 8176..8191
std::vector<ObjectEntry> ImageEntriesOf(const ObjectTable& table);     // objects 0..8191
bool IsSettingsObject(int object);                                     // 0 or 8176..8191

// The seventeen settings entries of a file, objects 0, 8176..8191 in that order, the file's
// other entries left aside. A file without all of them holds no settings: `entries` is empty
// and `error` names the file and what it lacks. The window's Load settings and the command
// line's settings read files by this one rule.
struct SettingsFileContent {
    std::vector<ObjectEntry> entries;
    std::string error;
};
SettingsFileContent ReadSettingsFile(std::string_view text, std::string_view fileName);

// A one-line error text a technician reads in a message box:
// "settings.zcfg, line 7: value 300 is not 0..255".
std::string Describe(const ObjectFileError& error, std::string_view fileName);

}  // namespace zelmar
