#include "session/plan.h"

#include <algorithm>

#include "dialogue/protocol.h"
#include "session/object_set.h"

namespace zelmar {
namespace {

Plan Refused(std::string error) {
    Plan plan;
    plan.error = std::move(error);
    return plan;
}

// The file's entries by object, or the sentence that says why there are none.
std::optional<std::vector<ObjectEntry>> FileEntries(std::string_view text, std::string_view name,
                                                    std::string& error) {
    ObjectFileContent content = ParseObjectFile(text);
    if (content.error) {
        error = Describe(*content.error, name);
        return std::nullopt;
    }
    if (content.entries.empty()) {
        error = std::string(name) + " holds no objects";
        return std::nullopt;
    }
    std::sort(content.entries.begin(), content.entries.end(),
              [](const ObjectEntry& a, const ObjectEntry& b) { return a.object < b.object; });
    return std::move(content.entries);
}

// `entries` ascending by object, each once, as FileEntries gives them.
const ObjectEntry* Find(const std::vector<ObjectEntry>& entries, int object) {
    const auto found =
        std::lower_bound(entries.begin(), entries.end(), object,
                         [](const ObjectEntry& e, int wanted) { return e.object < wanted; });
    return found == entries.end() || found->object != object ? nullptr : &*found;
}

}  // namespace

Plan ReadPlan(std::optional<std::string_view> objectList) {
    Plan plan;
    const std::vector<int> objects = [&] {
        if (!objectList) return SettingsObjects();
        ObjectSet set = ParseObjectSet(*objectList);
        plan.error = std::move(set.error);
        return set.objects;
    }();
    if (!plan.error.empty()) return Refused("--objects: " + plan.error);
    for (int object : objects) plan.objects.push_back({object, 0});
    return plan;
}

Plan FilePlan(Task task, std::string_view fileText, std::string_view fileName,
              std::optional<std::string_view> objectList) {
    std::string error;
    std::optional<std::vector<ObjectEntry>> entries = FileEntries(fileText, fileName, error);
    if (!entries) return Refused(error);
    Plan plan;
    plan.task = task;
    if (!objectList) {
        plan.objects = std::move(*entries);
        return plan;
    }
    const ObjectSet set = ParseObjectSet(*objectList);
    if (!set.error.empty()) return Refused("--objects: " + set.error);
    for (int object : set.objects) {
        const ObjectEntry* found = Find(*entries, object);
        if (!found) {
            return Refused("object " + std::to_string(object) + " is not in " +
                           std::string(fileName));
        }
        plan.objects.push_back(*found);
    }
    return plan;
}

namespace {

constexpr std::string_view kObjectsComment = "# objects:";

// The list a partial file's "# objects:" line gives, if it has one.
std::optional<std::string_view> AskedObjects(std::string_view text) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.starts_with(kObjectsComment)) return line.substr(kObjectsComment.size());
    }
    return std::nullopt;
}

}  // namespace

std::string PartialReadFile(const std::vector<int>& asked, const std::vector<ObjectEntry>& got) {
    std::string text = FormatObjectFile(got);
    const std::size_t header = text.find('\n') + 1;
    text.insert(header, "# An interrupted read: " + std::to_string(got.size()) + " of " +
                            std::to_string(asked.size()) +
                            " objects. zelmar-cli read --resume FILE carries on.\n" +
                            std::string(kObjectsComment) + " " + ObjectListText(asked) + "\n");
    return text;
}

Plan ResumePlan(std::string_view partialText, std::string_view partialName,
                std::optional<std::string_view> objectList) {
    ObjectFileContent content = ParseObjectFile(partialText);
    if (content.error) return Refused(Describe(*content.error, partialName));
    const std::optional<std::string_view> recorded = AskedObjects(partialText);
    if (!recorded && !objectList) {
        return Refused(std::string(partialName) +
                       " does not say which objects its read was asked for; name them with "
                       "--objects");
    }
    const ObjectSet asked = ParseObjectSet(recorded ? *recorded : *objectList);
    if (!asked.error.empty()) {
        return Refused(recorded ? std::string(partialName) + ", objects line: " + asked.error
                                : "--objects: " + asked.error);
    }
    if (recorded && objectList) {
        const ObjectSet given = ParseObjectSet(*objectList);
        if (!given.error.empty()) return Refused("--objects: " + given.error);
        if (given.objects != asked.objects) {
            return Refused("--objects names other objects than " + std::string(partialName) +
                           " was read for (" + ObjectListText(asked.objects) + ")");
        }
    }
    std::vector<bool> isAsked(kObjectCount, false);
    for (int object : asked.objects) isAsked[static_cast<std::size_t>(object)] = true;
    std::vector<bool> isCarried(kObjectCount, false);
    Plan plan;
    for (const ObjectEntry& entry : content.entries) {
        if (!isAsked[static_cast<std::size_t>(entry.object)]) {
            return Refused(std::string(partialName) + " holds object " +
                           std::to_string(entry.object) + ", which its read was not asked for");
        }
        isCarried[static_cast<std::size_t>(entry.object)] = true;
    }
    plan.carried = std::move(content.entries);
    std::sort(plan.carried.begin(), plan.carried.end(),
              [](const ObjectEntry& a, const ObjectEntry& b) { return a.object < b.object; });
    for (int object : asked.objects)
        if (!isCarried[static_cast<std::size_t>(object)]) plan.objects.push_back({object, 0});
    return plan;
}

Plan SettingsFilePlan(std::string_view fileText, std::string_view fileName) {
    SettingsFileContent settings = ReadSettingsFile(fileText, fileName);
    if (!settings.error.empty()) return Refused(std::move(settings.error));
    Plan plan;
    plan.objects = std::move(settings.entries);
    return plan;
}

}  // namespace zelmar
