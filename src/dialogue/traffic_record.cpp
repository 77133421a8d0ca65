#include "dialogue/traffic_record.h"

namespace zelmar {

TrafficRecord::TrafficRecord() : file_(std::tmpfile()) {}

TrafficRecord::~TrafficRecord() {
    if (file_) std::fclose(file_);
}

void TrafficRecord::Append(std::string_view text) {
    if (!file_ || full_) return;
    if (size_ + text.size() > kLimit) {
        full_ = true;
        return;
    }
    size_ += std::fwrite(text.data(), 1, text.size(), file_);
}

void TrafficRecord::Clear() {
    if (file_) std::fclose(file_);
    file_ = std::tmpfile();
    size_ = 0;
    full_ = false;
}

std::string TrafficRecord::Contents() const {
    std::string contents(size_, '\0');
    if (file_ && size_ > 0) {
        std::fflush(file_);
        std::rewind(file_);
        contents.resize(std::fread(contents.data(), 1, size_, file_));
        std::fseek(file_, 0, SEEK_END);
    }
    if (full_) contents += "\r\n(the record stops here: it reached its limit)\r\n";
    return contents;
}

}  // namespace zelmar
