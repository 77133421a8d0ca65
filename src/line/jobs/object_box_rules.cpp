#include "jobs/object_box_rules.h"

#include "numbers/numbers.h"

namespace zelmar {

std::optional<std::string> CorrectedObjectText(std::string_view text) {
    if (!IsNumber(text)) return text.empty() ? std::nullopt : std::optional<std::string>("");
    const double value = NumberValue(text);
    if (value > 8191 || value < 0) return "1";
    return std::nullopt;
}

std::optional<std::string> LeftObjectText(std::string_view text) {
    if (text.empty()) return "1";
    return std::nullopt;
}

}  // namespace zelmar
