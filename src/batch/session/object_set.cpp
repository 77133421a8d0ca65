#include "session/object_set.h"

#include <charconv>
#include <optional>

#include "dialogue/protocol.h"
#include "dialogue/settings_codec.h"

namespace zelmar {
namespace {

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::optional<int> ObjectNumber(std::string_view text) {
    int value = 0;
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || status != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    if (value < 0 || value >= kObjectCount) return std::nullopt;
    return value;
}

std::string NotAnObject(std::string_view text) {
    return "\"" + std::string(text) + "\" is not an object 0.." + std::to_string(kObjectCount - 1);
}

}  // namespace

std::vector<int> SettingsObjects() {
    std::vector<int> objects{kTimingObject};
    for (int object = kRepeatDelayObject; object <= RepeaterObject(kRepeaterCount); ++object)
        objects.push_back(object);
    return objects;
}

ObjectSet ParseObjectSet(std::string_view text) {
    // Each entry marks where its run begins and ends; the runs are summed up once at the end.
    // So the time and memory grow with the text's length alone, however many entries name
    // however wide ranges ("all,all,..." included).
    std::vector<int> starts(kObjectCount + 1, 0);
    auto add = [&](int first, int last) {
        ++starts[static_cast<std::size_t>(first)];
        --starts[static_cast<std::size_t>(last) + 1];
    };
    auto refuse = [](std::string error) { return ObjectSet{{}, std::move(error)}; };
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view item = Trim(text.substr(0, comma));
        if (item.empty()) return refuse("an entry of the object list is empty");
        if (item == "all") {
            add(0, kObjectCount - 1);
        } else if (item == "settings") {
            for (int object : SettingsObjects()) add(object, object);
        } else if (const std::size_t dash = item.find('-'); dash != std::string_view::npos) {
            const std::string_view low = Trim(item.substr(0, dash));
            const std::string_view high = Trim(item.substr(dash + 1));
            const std::optional<int> first = ObjectNumber(low), last = ObjectNumber(high);
            if (!first || !last) return refuse(NotAnObject(first ? high : low));
            if (*first > *last)
                return refuse("the range \"" + std::string(item) + "\" runs backwards");
            add(*first, *last);
        } else if (const std::optional<int> object = ObjectNumber(item)) {
            add(*object, *object);
        } else {
            return refuse(NotAnObject(item));
        }
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    ObjectSet set;
    int depth = 0;
    for (int object = 0; object < kObjectCount; ++object) {
        depth += starts[static_cast<std::size_t>(object)];
        if (depth > 0) set.objects.push_back(object);
    }
    return set;
}

std::string ObjectListText(const std::vector<int>& objects) {
    std::string text;
    for (std::size_t i = 0; i < objects.size();) {
        std::size_t j = i;
        while (j + 1 < objects.size() && objects[j + 1] == objects[j] + 1) ++j;
        if (!text.empty()) text += ',';
        text += std::to_string(objects[i]);
        if (j > i) text += '-' + std::to_string(objects[j]);
        i = j + 1;
    }
    return text;
}

}  // namespace zelmar
