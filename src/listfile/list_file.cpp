#include "listfile/list_file.h"

#include "platform/numbers.h"

namespace zelmar {

std::optional<std::vector<std::string>> ReadObjectList(SequentialInput& input,
                                                       const std::string& path) {
    try {
        input.Open(path);
    } catch (const StepError&) {
        return std::nullopt;
    }
    std::vector<std::string> items;
    try {
        while (!input.AtEnd()) {
            const std::string field = input.ReadField();
            if (!IsNumber(field)) continue;
            const double number = NumberValue(field);
            // Only ordinary objects: object 0 and the settings objects are not loaded.
            if (number > 0 && number < 8176) items.push_back(NumberText(number));
        }
    } catch (const StepError&) {
        // A field that cannot be read ends the load with what was read before it.
    }
    input.Close();
    return items;
}

}  // namespace zelmar
