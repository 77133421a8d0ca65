#include "support/fakes.h"

#include "window/numbers.h"

namespace zelmar::testing {

void TextFiles::Open(const std::string& path) {
    if (open_) throw StepError("File already open");
    if (!files.count(path)) throw StepError("File not found");
    open_ = true;
    path_ = path;
    text_.clear();
    text_.str(files.at(path));
    reader_.emplace(text_);
    fieldsRead_ = 0;
    ++openCount;
}

std::string TextFiles::ReadField() {
    if (!open_) throw StepError("Bad file name or number");
    const auto limit = failAfterFields.find(path_);
    if (limit != failAfterFields.end() && fieldsRead_ >= limit->second)
        throw StepError("Device I/O error");
    ++fieldsRead_;
    return reader_->Next();
}

bool TextFiles::AtEnd() const {
    return !open_ || reader_->AtEnd();
}

void TextFiles::Close() {
    open_ = false;
    reader_.reset();
}

}  // namespace zelmar::testing
