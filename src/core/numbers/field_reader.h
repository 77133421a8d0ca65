#pragma once
// Reads a text file's fields the way sequential text input does: fields are separated by
// commas or line ends, blanks around a field are skipped, and a field may stand in double
// quotes (then commas inside it are part of it). A UTF-8 byte-order mark in front of the
// first field is no part of it.
#include <istream>
#include <string>

namespace zelmar {

class FieldReader {
  public:
    explicit FieldReader(std::istream& in);
    // Throws StepError at the end of the input or when reading fails.
    std::string Next();
    bool AtEnd() const;

  private:
    void SkipBlanks();
    void SkipSeparator();

    std::istream& in_;
};

}  // namespace zelmar
