#include "platform/file_input.h"

#include <cerrno>
#include <cstring>

#include "platform/numbers.h"

namespace zelmar {

void FileInput::Open(const std::string& path) {
    if (file_.is_open()) throw StepError("File already open");
    file_.open(path, std::ios::in | std::ios::binary);
    if (!file_.is_open()) throw StepError("Cannot open " + path + ": " + std::strerror(errno));
    reader_.emplace(file_);
}

std::string FileInput::ReadField() {
    if (!reader_) throw StepError("Bad file name or number");
    return reader_->Next();
}

bool FileInput::AtEnd() const {
    return !reader_ || reader_->AtEnd();
}

void FileInput::Close() {
    reader_.reset();
    file_.close();
    file_.clear();
}

}  // namespace zelmar
