#pragma once
#include <stdexcept>

namespace zelmar {

// A step of a handler that cannot be carried out. The text is what the technician is shown.
class StepError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace zelmar
