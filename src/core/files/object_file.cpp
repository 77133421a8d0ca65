#include "files/object_file.h"

#include <charconv>
#include <cstddef>
#include <string_view>

#include "dialogue/job.h"
#include "dialogue/protocol.h"
#include "dialogue/settings_codec.h"

namespace zelmar {
namespace {

constexpr std::string_view kMagic = "zelmar-objects";
constexpr int kVersion = 1;
constexpr std::string_view kBlanks = " \t";
// Windows editors may put a byte order mark before the header; the file is still ours.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

// What a line says once its comment and surrounding blanks are gone.
std::string_view Content(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return Trim(line.substr(0, line.find('#')));
}

// A decimal whole number with an optional sign; too many digits read as out of range, so that
// the technician hears about the range rather than about the digits.
struct WholeNumber {
    bool whole = false;
    bool fits = false;
    long long value = 0;
};

WholeNumber ReadWholeNumber(std::string_view text) {
    std::string_view digits = text;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-'))
        digits.remove_prefix(1);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos)
        return {};
    if (text.front() == '+') text.remove_prefix(1);
    WholeNumber number{.whole = true};
    const auto [end, status] =
        std::from_chars(text.data(), text.data() + text.size(), number.value);
    number.fits = status == std::errc{} && end == text.data() + text.size();
    return number;
}

// The number a field holds when it lies in 0..max, or the refusal that names the field.
std::optional<int> ReadField(std::string_view field, std::string_view name, int max,
                             std::string& refusal) {
    const WholeNumber number = ReadWholeNumber(field);
    if (!number.whole) {
        refusal = std::string(name) + " \"" + std::string(field) + "\" is not a whole number";
    } else if (!number.fits || number.value < 0 || number.value > max) {
        refusal =
            std::string(name) + " " + std::string(field) + " is not 0.." + std::to_string(max);
    } else {
        return static_cast<int>(number.value);
    }
    return std::nullopt;
}

std::optional<std::string> HeaderRefusal(std::string_view header) {
    const std::size_t gap = header.find_first_of(kBlanks);
    if (gap == std::string_view::npos || header.substr(0, gap) != kMagic) {
        return "not a Zelmar object file";
    }
    const std::string_view version = Trim(header.substr(gap));
    const WholeNumber number = ReadWholeNumber(version);
    if (!number.whole) return "not a Zelmar object file";
    if (!number.fits || number.value != kVersion) {
        return "format version " + std::string(version) + " is not supported";
    }
    return std::nullopt;
}

ObjectFileContent Refuse(int line, std::string message) {
    return {.entries = {}, .error = ObjectFileError{line, std::move(message)}};
}

std::string Annotation(const ObjectEntry& entry) {
    if (entry.object == kTimingObject) {
        return "packet time " + std::to_string(entry.value & kMaxPacketTime) +
               ", send delay index " + std::to_string(entry.value >> 5);
    }
    if (entry.object == kRepeatDelayObject) {
        return "repeat delay index " + std::to_string(entry.value);
    }
    return "R" + std::to_string(entry.object - kRepeatDelayObject);
}

}  // namespace

ObjectFileContent ParseObjectFile(std::string_view text) {
    if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    std::vector<ObjectEntry> entries;
    // The line each object was first given on, so that a duplicate can point back to it.
    std::vector<int> givenOn(kObjectCount, 0);
    bool headerSeen = false;
    int lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t end = text.find('\n');
        const std::string_view line = Content(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.empty()) continue;
        if (!headerSeen) {
            if (auto refusal = HeaderRefusal(line)) return Refuse(lineNumber, std::move(*refusal));
            headerSeen = true;
            continue;
        }
        const std::size_t comma = line.find(',');
        if (comma == std::string_view::npos) {
            return Refuse(lineNumber, "no comma: expected object,value");
        }
        const std::string_view objectField = Trim(line.substr(0, comma));
        const std::string_view rest = line.substr(comma + 1);
        if (rest.find(',') != std::string_view::npos) {
            return Refuse(lineNumber, "extra field: expected only object,value");
        }
        const std::string_view valueField = Trim(rest);
        if (objectField.empty()) return Refuse(lineNumber, "object missing before the comma");
        if (valueField.empty()) return Refuse(lineNumber, "value missing after the comma");
        std::string refusal;
        const std::optional<int> object =
            ReadField(objectField, "object", kObjectCount - 1, refusal);
        if (!object) return Refuse(lineNumber, std::move(refusal));
        const std::optional<int> value = ReadField(valueField, "value", 255, refusal);
        if (!value) return Refuse(lineNumber, std::move(refusal));
        if (givenOn[*object] != 0) {
            return Refuse(lineNumber, "object " + std::to_string(*object) +
                                          " is already given on line " +
                                          std::to_string(givenOn[*object]));
        }
        givenOn[*object] = lineNumber;
        entries.push_back({*object, static_cast<std::uint8_t>(*value)});
    }
    if (!headerSeen) return Refuse(0, "not a Zelmar object file: the header line is missing");
    return {.entries = std::move(entries), .error = std::nullopt};
}

std::string FormatObjectFile(const std::vector<ObjectEntry>& entries) {
    std::string text = std::string(kMagic) + " " + std::to_string(kVersion) + "\n";
    for (const ObjectEntry& entry : entries) {
        text += std::to_string(entry.object) + "," + std::to_string(entry.value);
        if (IsSettingsObject(entry.object)) text += "  # " + Annotation(entry);
        text += '\n';
    }
    return text;
}

std::vector<ObjectEntry> SettingsEntriesOf(const ObjectTable& table) {
    std::vector<ObjectEntry> entries{{kTimingObject, table[kTimingObject]}};
    for (int object = kRepeatDelayObject; object <= RepeaterObject(kRepeaterCount); ++object) {
        entries.push_back({object, table[object]});
    }
    return entries;
}

std::vector<ObjectEntry> ImageEntriesOf(const ObjectTable& table) {
    std::vector<ObjectEntry> entries;
    entries.reserve(kObjectCount);
    for (int object = 0; object < kObjectCount; ++object)
        entries.push_back({object, table[object]});
    return entries;
}

bool IsSettingsObject(int object) {
    return object == kTimingObject ||
           (object >= kRepeatDelayObject && object <= RepeaterObject(kRepeaterCount));
}

SettingsFileContent ReadSettingsFile(std::string_view text, std::string_view fileName) {
    SettingsFileContent settings;
    const ObjectFileContent content = ParseObjectFile(text);
    if (content.error) {
        settings.error = Describe(*content.error, fileName);
        return settings;
    }
    ObjectTable table;
    for (const ObjectEntry& entry : content.entries) table.Set(entry.object, entry.value);
    std::vector<int> missing;
    for (const ObjectEntry& entry : SettingsEntriesOf(table))
        if (!table.Known(entry.object)) missing.push_back(entry.object);
    if (missing.empty()) {
        settings.entries = SettingsEntriesOf(table);
        return settings;
    }
    std::string lacking = ObjectsInWords(missing);
    lacking.front() = 'o';  // "Object 8176" within the sentence
    settings.error = std::string(fileName) + " lacks settings " + lacking;
    return settings;
}

std::string Describe(const ObjectFileError& error, std::string_view fileName) {
    std::string text(fileName);
    if (error.line > 0) {
        if (!text.empty()) text += ", ";
        text += "line " + std::to_string(error.line);
    }
    if (!text.empty()) text += ": ";
    return text + error.message;
}

}  // namespace zelmar
