#pragma once
// What a command line asks of the device, checked whole before the port is opened: a bad file
// or object list never puts a byte on the line.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/object_file.h"

namespace zelmar {

enum class Task : std::uint8_t { Read, Write, Verify };

struct Plan {
    Task task = Task::Read;
    // Ascending, each object once. A write sends these values; a verify expects them.
    std::vector<ObjectEntry> objects;
    // A resumed read: what the interrupted one got, not read again. Ascending, each once, none
    // of them among `objects`.
    std::vector<ObjectEntry> carried;
    std::string error;  // one sentence; when set, nothing may be sent
};

// A read of the listed objects; the settings objects when no list is given.
Plan ReadPlan(std::optional<std::string_view> objectList);

// A write or verify of the file's entries, or of those of them the list names; the list may
// not name an object the file does not hold.
Plan FilePlan(Task task, std::string_view fileText, std::string_view fileName,
              std::optional<std::string_view> objectList);

// The text of FILE.partial, what an interrupted read got: an object file whose comment line
// "# objects: LIST" records the objects the read was asked for, so that --resume can carry on.
std::string PartialReadFile(const std::vector<int>& asked, const std::vector<ObjectEntry>& got);

// A read that carries on where the one that left `partialText` stopped: the objects asked for,
// less those the partial file holds. The objects asked for are those its "# objects:" line
// names, or `objectList` for a file without one; when both are there they must agree.
Plan ResumePlan(std::string_view partialText, std::string_view partialName,
                std::optional<std::string_view> objectList);

// The settings entries of a file, all of them: a file without one shows no settings.
Plan SettingsFilePlan(std::string_view fileText, std::string_view fileName);

}  // namespace zelmar
