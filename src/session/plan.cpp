#include "session/plan.h"

#include <algorithm>

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

const ObjectEntry* Find(const std::vector<ObjectEntry>& entries, int object) {
    const auto found = std::find_if(entries.begin(), entries.end(),
                                    [&](const ObjectEntry& e) { return e.object == object; });
    return found == entries.end() ? nullptr : &*found;
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

Plan SettingsFilePlan(std::string_view fileText, std::string_view fileName) {
    std::string error;
    std::optional<std::vector<ObjectEntry>> entries = FileEntries(fileText, fileName, error);
    if (!entries) return Refused(error);
    Plan plan;
    for (int object : SettingsObjects()) {
        const ObjectEntry* found = Find(*entries, object);
        if (!found) {
            return Refused(std::string(fileName) + " lacks settings object " +
                           std::to_string(object));
        }
        plan.objects.push_back(*found);
    }
    return plan;
}

}  // namespace zelmar
