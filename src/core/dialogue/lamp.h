#pragma once
#include <cstdint>

namespace zelmar {

// Which lamp of the status lamp a value lights.
enum class Lamp : std::uint8_t { Idle = 0, Read = 1, Write = 2, Silver = 3 };

}  // namespace zelmar
