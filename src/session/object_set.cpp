#include "session/object_set.h"

#include <algorithm>
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
    ObjectSet set;
    auto add = [&](int first, int last) {
        for (int object = first; object <= last; ++object) set.objects.push_back(object);
    };
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view item = Trim(text.substr(0, comma));
        if (item.empty()) {
            set = {{}, "an entry of the object list is empty"};
            return set;
        }
        if (item == "all") {
            add(0, kObjectCount - 1);
        } else if (item == "settings") {
            for (int object : SettingsObjects()) add(object, object);
        } else if (const std::size_t dash = item.find('-'); dash != std::string_view::npos) {
            const std::string_view low = Trim(item.substr(0, dash));
            const std::string_view high = Trim(item.substr(dash + 1));
            const std::optional<int> first = ObjectNumber(low), last = ObjectNumber(high);
            if (!first || !last) {
                set = {{}, NotAnObject(first ? high : low)};
                return set;
            }
            if (*first > *last) {
                set = {{}, "the range \"" + std::string(item) + "\" runs backwards"};
                return set;
            }
            add(*first, *last);
        } else if (const std::optional<int> object = ObjectNumber(item)) {
            add(*object, *object);
        } else {
            set = {{}, NotAnObject(item)};
            return set;
        }
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    std::sort(set.objects.begin(), set.objects.end());
    set.objects.erase(std::unique(set.objects.begin(), set.objects.end()), set.objects.end());
    return set;
}

}  // namespace zelmar
