#pragma once
// Sequential text input: a file read field by field, fields separated by commas or line ends.
#include <string>

namespace zelmar {

class SequentialInput {
  public:
    virtual ~SequentialInput() = default;
    // Each throws StepError with a description when it fails; Open's says why the file
    // cannot be opened and leaves naming it to the caller.
    virtual void Open(const std::string& path) = 0;
    virtual std::string ReadField() = 0;
    virtual bool AtEnd() const = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
};

}  // namespace zelmar
