#include "session/session.h"

#include "platform/numbers.h"

namespace zelmar {

namespace {

Number ObjectNumber(int object) {
    return Number::Int16(static_cast<std::int16_t>(object));
}

std::string Seconds(std::int64_t ms) {
    return NumberText(static_cast<double>(ms) / 1000) + " s";
}

}  // namespace

Session::Session(SerialPort& port, Plan plan, SessionOptions options)
    : plan_(std::move(plan)), options_(std::move(options)), link_(port, engine_) {
    for (const ObjectEntry& entry : plan_.objects) entries_.push_back(std::to_string(entry.object));
    engine_.SetAttempts(options_.attempts);
    link_.effects = this;
    link_.onLost = [this](const std::string& description) {
        engine_.Interrupt(description, *this);
    };
}

Session::~Session() {
    link_.effects = nullptr;
    link_.onLost = nullptr;
}

std::string_view Session::Entry(int pos) const {
    const std::size_t index = offset_ + static_cast<std::size_t>(pos);
    return pos >= 0 && index < entries_.size() ? std::string_view(entries_[index])
                                               : std::string_view();
}

void Session::Begin(std::int64_t nowMs) {
    if (!plan_.error.empty()) return End(Outcome::BadInput, plan_.error);
    if (plan_.objects.empty()) return Complete();
    link_.SelectPort(options_.port);
    try {
        link_.Toggle();
    } catch (const StepError& e) {
        return End(Outcome::LineFailed, e.what());
    }
    receivedAtOpen_ = receivedSeen_ = link_.ReceivedCount();
    lastByteMs_ = nowMs;
    if (plan_.task == Task::Write) {
        for (const ObjectEntry& entry : plan_.objects) engine_.table()[entry.object] = entry.value;
    }
    engine_.Connected();
    StartRemaining();
}

void Session::Tick(std::int64_t nowMs) {
    if (Finished()) return;
    if (link_.ReceivedCount() != receivedSeen_) {
        receivedSeen_ = link_.ReceivedCount();
        lastByteMs_ = nowMs;
    } else if (nowMs - lastByteMs_ >= options_.silenceMs) {
        const std::string silence = Seconds(options_.silenceMs);
        if (receivedSeen_ == receivedAtOpen_ && values_.empty()) {
            return End(Outcome::LineFailed, "The device on " + options_.portName +
                                                " sent nothing within " + silence +
                                                "; nothing was sent to it.");
        }
        return Failed("the device fell silent for " + silence);
    }
    // Until the device has polled, the job has not begun and so cannot stall.
    if (receivedSeen_ != receivedAtOpen_) link_.Tick(nowMs);
}

void Session::Stop() {
    if (Finished()) return;
    if (engine_.Busy()) {
        engine_.Stop(*this);
    } else {
        End(Outcome::Interrupted, "Stopped on request; " + DoneText() + ".");
    }
}

void Session::StartRemaining() {
    offset_ = values_.size();
    if (offset_ >= plan_.objects.size()) return Complete();
    engine_.Start(Job{ObjectNumber(plan_.objects[offset_].object),
                      ObjectNumber(plan_.objects.back().object), plan_.task == Task::Write});
}

void Session::Harvest() {
    const std::size_t done = offset_ + static_cast<std::size_t>(engine_.state().ObjectsDone);
    while (values_.size() < done && values_.size() < plan_.objects.size()) {
        const int object = plan_.objects[values_.size()].object;
        values_.push_back({object, engine_.table()[object]});
        reopenings_ = 0;  // the line got going: only openings out of step in a row count
    }
}

void Session::Take(const Effect& effect) {
    if (Finished()) return;
    // The engine stores each value before it says anything of the object that follows.
    Harvest();
    switch (effect.kind) {
        case Effect::Kind::Send:
            try {
                link_.Send(effect.byte);
            } catch (const StepError& e) {
                engine_.Interrupt(e.what(), *this);
            }
            break;
        case Effect::Kind::JobEnded:
            if (engine_.report().outcome == JobReport::Outcome::Finished) {
                Complete();
            } else if (engine_.report().outcome == JobReport::Outcome::Stopped) {
                End(Outcome::Interrupted, "Stopped on request; " + DoneText() + ".");
            }
            break;  // a failed job tells why next
        case Effect::Kind::JobFailed:
            Failed(engine_.report().reason);
            break;
        case Effect::Kind::Restart:
            Reopen();
            break;
        case Effect::Kind::Failure:
            Failed(effect.failure);
            break;
        case Effect::Kind::Log:
        case Effect::Kind::Light:
        case Effect::Kind::ShowObject:
        case Effect::Kind::ShowSettings:
            break;
    }
}

void Session::Reopen() {
    if (++reopenings_ > options_.reopenings) {
        return Failed("the line began out of step at " + std::to_string(reopenings_) +
                      " openings in a row");
    }
    try {
        link_.Toggle();
        link_.Toggle();
    } catch (const StepError& e) {
        return Failed(std::string("it could not be opened again: ") + e.what());
    }
    receivedAtOpen_ = link_.ReceivedCount();
    engine_.Connected();
    StartRemaining();
}

void Session::Complete() {
    for (std::size_t i = 0; i < values_.size(); ++i) {
        const ObjectEntry& planned = plan_.objects[i];
        if (plan_.task != Task::Read && values_[i].value != planned.value)
            mismatches_.push_back({planned.object, planned.value, values_[i].value});
    }
    if (mismatches_.empty()) return End(Outcome::Done, {});
    const Mismatch& first = mismatches_.front();
    std::string message = "Object " + std::to_string(first.object) +
                          (plan_.task == Task::Write ? " reads back " : " holds ") +
                          std::to_string(first.found) + " where " +
                          (plan_.task == Task::Write ? "it was written " : "the file has ") +
                          std::to_string(first.expected);
    if (mismatches_.size() > 1)
        message += ", and " + std::to_string(mismatches_.size() - 1) + " more objects differ";
    End(Outcome::Unverified, message + ".");
}

void Session::Failed(const std::string& reason) {
    std::string cause = reason;
    if (!cause.empty() && cause.back() == '.') cause.pop_back();
    const std::string verb = plan_.task == Task::Write ? "The write" : "The read";
    const std::size_t next = values_.size();
    const std::string at = next < plan_.objects.size()
                               ? " at object " + std::to_string(plan_.objects[next].object)
                               : std::string();
    End(Outcome::LineFailed, verb + " on " + options_.portName + " stopped" + at + ": " + cause +
                                 "; " + DoneText() + ".");
}

std::string Session::DoneText() const {
    return std::to_string(Done()) + " of " + std::to_string(Total()) +
           (Total() == 1 ? " object was " : " objects were ") +
           (plan_.task == Task::Write ? "written and read back" : "read");
}

void Session::End(Outcome outcome, std::string message) {
    outcome_ = outcome;
    message_ = std::move(message);
    if (link_.IsOpen()) {
        try {
            link_.Toggle();
        } catch (const StepError&) {
            // The job's outcome stands; a port that will not close is closed by the exit.
        }
    }
}

}  // namespace zelmar
