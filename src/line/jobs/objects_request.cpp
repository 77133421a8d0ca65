#include "jobs/objects_request.h"

#include <algorithm>

#include "dialogue/job.h"
#include "numbers/numbers.h"

namespace zelmar {

namespace {

constexpr int kLastObject = kObjectCount - 1;

bool IsWholeObject(std::string_view text, int& object) {
    if (!IsNumber(text)) return false;
    const double value = NumberValue(text);
    if (value != RoundHalfEven(value) || value < 0 || value > kLastObject) return false;
    object = static_cast<int>(value);
    return true;
}

}  // namespace

ObjectRequest ObjectRange(std::string_view first, std::string_view last) {
    int from = 0;
    int to = 0;
    for (auto [text, object] : {std::pair{first, &from}, std::pair{last, &to}}) {
        if (!IsWholeObject(text, *object)) {
            const std::string shown =
                text.empty() ? "an empty box" : "\"" + std::string(text) + "\"";
            return {{}, "Objects are whole numbers from 0 to 8191; " + shown + " is not one."};
        }
    }
    if (from > to)
        return {{},
                "The first object, " + std::to_string(from) + ", is above the last, " +
                    std::to_string(to) + "."};
    ObjectRequest request;
    for (int object = from; object <= to; ++object) request.objects.push_back(object);
    return request;
}

std::vector<int> ObjectsOfList(const std::vector<std::string>& entries) {
    std::vector<int> objects;
    objects.reserve(entries.size());
    for (const std::string& entry : entries)
        objects.push_back(static_cast<int>(RoundHalfEven(NumberOfText(entry))));
    std::sort(objects.begin(), objects.end());
    objects.erase(std::unique(objects.begin(), objects.end()), objects.end());
    return objects;
}

std::vector<int> UnknownObjects(const ObjectTable& table, const std::vector<int>& objects) {
    std::vector<int> unknown;
    for (int object : objects)
        if (!table.Known(object)) unknown.push_back(object);
    return unknown;
}

std::string NeverReadQuestion(const std::vector<int>& unknown) {
    const bool one = unknown.size() == 1;
    return ObjectsInWords(unknown) + (one ? " was" : " were") +
           " never read or loaded: the device would get 0 for " + (one ? "it" : "each") +
           ". Write " + (one ? "it" : "them") + " anyway?";
}

}  // namespace zelmar
