#include "ports/file_input.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "numbers/numbers.h"

namespace zelmar {

namespace {
// The stream library reports a failed read by an exception of its own; here it becomes the
// failed step every reader of a SequentialInput expects.
template <class Read>
auto Translated(Read&& read) {
    try {
        return read();
    } catch (const StepError&) {
        throw;
    } catch (const std::exception& failure) {
        throw StepError(std::string("Device I/O error: ") + failure.what());
    }
}
}  // namespace

void FileInput::Open(const std::string& path) {
    if (file_.is_open()) throw StepError("File already open");
    // A directory opens as a stream here and fails only at its first read.
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) throw StepError(std::strerror(EISDIR));
    file_.open(path, std::ios::in | std::ios::binary);
    if (!file_.is_open()) throw StepError(std::strerror(errno));
    reader_.emplace(file_);
}

std::string FileInput::ReadField() {
    if (!reader_) throw StepError("Bad file name or number");
    return Translated([this] { return reader_->Next(); });
}

bool FileInput::AtEnd() const {
    return !reader_ || Translated([this] { return reader_->AtEnd(); });
}

void FileInput::Close() {
    reader_.reset();
    file_.close();
    file_.clear();
}

}  // namespace zelmar
