#include "support/window_fixture.h"

#include "window/numbers.h"

namespace zelmar::testing {

void TextFiles::Open(const std::string& path) {
    if (open_) throw StepError("File already open");
    if (!files.count(path)) throw StepError("File not found");
    open_ = true;
    path_ = path;
    pos_ = 0;
    fieldsRead_ = 0;
    ++openCount;
}

std::string TextFiles::ReadField() {
    if (!open_) throw StepError("Bad file name or number");
    const auto limit = failAfterFields.find(path_);
    if (limit != failAfterFields.end() && fieldsRead_ >= limit->second)
        throw StepError("Input past end of file");
    const std::string& text = files.at(path_);
    if (pos_ >= text.size()) throw StepError("Input past end of file");
    // Fields here are plain: separated by commas or line ends, no quotes.
    std::size_t end = text.find_first_of(",\n", pos_);
    if (end == std::string::npos) end = text.size();
    std::string field = text.substr(pos_, end - pos_);
    if (!field.empty() && field.back() == '\r') field.pop_back();
    pos_ = end + 1;
    ++fieldsRead_;
    return field;
}

bool TextFiles::AtEnd() const { return !open_ || pos_ >= files.at(path_).size(); }

void TextFiles::Close() { open_ = false; }

}  // namespace zelmar::testing
