#include "support/fakes.h"

#include <ios>

#include "numbers/numbers.h"

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
    const auto limit = failAfterFields.find(path_);
    if (open_ && failAsStream && limit != failAfterFields.end() && fieldsRead_ >= limit->second)
        throw std::ios_base::failure("basic_filebuf::underflow error reading the file");
    return !open_ || reader_->AtEnd();
}

void TextFiles::Close() {
    open_ = false;
    reader_.reset();
}

void EffectRecorder::Take(const Effect& effect) {
    switch (effect.kind) {
        case Effect::Kind::Send:
            sent.push_back(static_cast<char>(effect.byte));
            break;
        case Effect::Kind::Light:
            lamp = static_cast<int>(effect.lamp);
            break;
        case Effect::Kind::Log:
            log.Write(effect.entry, onlyData);
            break;
        case Effect::Kind::ShowObject:
            shownObjects.push_back(NumberText(effect.object.value()));
            break;
        case Effect::Kind::JobEnded:
            ++jobsEnded;
            break;
        case Effect::Kind::ShowSettings:
            ++settingsShown;
            break;
        case Effect::Kind::Restart:
            ++restarts;
            break;
        case Effect::Kind::Failure:
            failures.push_back(effect.failure);
            break;
        case Effect::Kind::JobFailed:
            ++jobFailures;
            break;
        case Effect::Kind::Reopened:
            ++reopened;
            break;
        case Effect::Kind::OutOfStep:
            ++outOfStep;
            break;
        case Effect::Kind::PortLost:
            portsLost.push_back(effect.failure);
            break;
    }
    if (after) after(effect);
}

}  // namespace zelmar::testing
