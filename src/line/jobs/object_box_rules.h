#pragma once
// The object number boxes: while the technician types, a box holds nothing or a number from
// 0 to 8191; a box left empty becomes "1".
#include <optional>
#include <string>
#include <string_view>

namespace zelmar {

// The text a box must hold instead of `text` after a change, if any. The whole text goes when
// it is no number, not only the last character typed.
std::optional<std::string> CorrectedObjectText(std::string_view text);

// The text a box must hold instead of `text` when the focus leaves it, if any.
std::optional<std::string> LeftObjectText(std::string_view text);

}  // namespace zelmar
