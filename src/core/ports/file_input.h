#pragma once
// Sequential text input from a file on disk. A failure to open says why, without the path.
#include <fstream>
#include <optional>

#include "numbers/field_reader.h"
#include "ports/sequential_input.h"

namespace zelmar {

class FileInput : public SequentialInput {
  public:
    void Open(const std::string& path) override;
    std::string ReadField() override;
    bool AtEnd() const override;
    void Close() override;
    bool IsOpen() const override { return file_.is_open(); }

  private:
    std::ifstream file_;
    std::optional<FieldReader> reader_;
};

}  // namespace zelmar
