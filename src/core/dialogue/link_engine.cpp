#include "dialogue/link_engine.h"

#include <optional>

namespace zelmar {

namespace {

Effect Light(Lamp lamp) {
    Effect effect{Effect::Kind::Light};
    effect.lamp = lamp;
    return effect;
}

Effect Failure(const std::string& failure) {
    Effect effect{Effect::Kind::Failure};
    effect.failure = failure;
    return effect;
}

Effect Send(std::uint8_t byte) {
    Effect effect{Effect::Kind::Send};
    effect.byte = byte;
    return effect;
}

// Polls get their line end only while the current object, as it stands, names an object: the
// line end marks polls of a dialogue that can address the device.
bool NamesAnObject(Number object) {
    return object.value() >= 0 && object.value() <= kObjectCount - 1;
}

}  // namespace

void LinkEngine::Reset(const std::string& reason) {
    if (report_.outcome == JobReport::Outcome::Running) {
        report_.outcome = JobReport::Outcome::Failed;
        report_.stoppedAt = state_.CurObject;
        report_.reason = reason;
    }
    state_.CurObject = Number::Int16(1);
    state_.EndObject = Number::Int16(1);
    state_.WriteJob = false;
    state_.LinkMode = kModeIdle;
    state_.LinkStep = kReadStepStart;
    state_.WriteStep = kWriteStepStart;
}

void LinkEngine::Connected() {
    Reset();
    state_.JustConnected = true;
}

bool LinkEngine::Start(Job job) {
    if (job.objects.empty() || job.objects.size() > kMaxJobObjects) return false;
    job_ = std::move(job);
    state_.ListPos = 0;
    state_.CurObject = job_.objects.front();
    state_.EndObject = job_.namedEnd.value_or(job_.objects.back());
    state_.WriteJob = job_.write();
    state_.LinkMode = job_.write() ? kModeWrite : kModeRead;
    state_.LinkStep = kReadStepStart;
    state_.WriteStep = kWriteStepStart;
    state_.ObjectUnderWay = false;
    state_.StopRequested = false;
    state_.PollToConfirm = false;
    state_.Attempts = 0;
    state_.EarlyPolls = 0;
    state_.ObjectsDone = 0;
    report_ = {};
    report_.outcome = JobReport::Outcome::Running;
    report_.direction = job_.direction;
    report_.origin = job_.origin;
    report_.total = static_cast<int>(job_.objects.size());
    report_.values.reserve(job_.objects.size());
    written_ = -1;
    progressed_ = false;
    lastProgressMs_ = -1;
    return true;
}

void LinkEngine::Stop(EffectSink& out) {
    if (!Busy()) {
        state_.CurObject = state_.EndObject;
        return;
    }
    if (state_.ObjectUnderWay) {
        state_.StopRequested = true;
    } else {
        EndJob(JobReport::Outcome::Stopped, out);
    }
}

void LinkEngine::Interrupt(const std::string& reason, EffectSink& out) {
    if (Busy()) Fail(reason, out);
}

void LinkEngine::Tick(std::int64_t nowMs, EffectSink& out) {
    if (!Busy() || progressed_ || lastProgressMs_ < 0) {
        progressed_ = false;
        lastProgressMs_ = nowMs;
        return;
    }
    if (nowMs - lastProgressMs_ < kStallMs) return;
    lastProgressMs_ = nowMs;
    Retry(false, out);
}

void LinkEngine::EndJob(JobReport::Outcome outcome, EffectSink& out) {
    LinkState& s = state_;
    report_.outcome = outcome;
    s.LinkStep = kReadStepStart;
    s.WriteStep = kWriteStepStart;
    s.LinkMode = kModeIdle;
    s.ObjectUnderWay = false;
    s.StopRequested = false;
    // "Stop" shows before the job's flag goes, and the panel is refreshed last.
    out.Take(Effect{Effect::Kind::JobEnded});
    s.WriteJob = false;
    out.Take(Effect{Effect::Kind::ShowSettings});
}

void LinkEngine::Fail(const std::string& reason, EffectSink& out) {
    // The reason may be a port's own sentence; the message goes on after it.
    report_.reason =
        !reason.empty() && reason.back() == '.' ? reason.substr(0, reason.size() - 1) : reason;
    report_.stoppedAt = state_.CurObject;
    EndJob(JobReport::Outcome::Failed, out);
    out.Take(Effect{Effect::Kind::JobFailed});
}

void LinkEngine::Retry(bool firstPollSeen, EffectSink& out) {
    LinkState& s = state_;
    if (firstPollSeen ? ++s.EarlyPolls >= kEarlyPolls : ++s.Attempts >= attempts_) {
        const int tries = firstPollSeen ? kEarlyPolls : attempts_;
        Fail("the device did not finish its exchange after " + std::to_string(tries) +
                 (tries == 1 ? " attempt" : " attempts"),
             out);
        return;
    }
    // The same object again from its command; a write that was acknowledged already only
    // needs its read-back again.
    if (s.LinkMode == kModeRead) {
        s.LinkStep = firstPollSeen ? kReadStepPolled : kReadStepStart;
    } else {
        s.WriteStep = firstPollSeen ? kWriteStepPolled : kWriteStepStart;
    }
}

void LinkEngine::Receive(std::uint8_t value, EffectSink& out) {
    // A link that does not begin with the poll 172 is out of step with the device: start over
    // with a fresh opening until it does.
    if (state_.JustConnected) {
        state_.JustConnected = false;
        if (value != kPoll) {
            out.Take(Effect{Effect::Kind::Restart});
            return;
        }
    }

    // A poll where the data byte is due passes for neither poll.
    const bool marked = state_.LinkStep == kReadStepDataDue && IsPoll(value);
    const std::uint8_t poll = marked ? 0 : value;  // a marked poll matches neither poll

    // The mode is read once: a change made by this value's step counts from the next value on.
    std::optional<LogEntry> data;
    switch (state_.LinkMode) {
        case kModeRead:
            out.Take(Light(Lamp::Read));
            data = ReadStep(value, poll, out);
            break;
        case kModeWrite:
            out.Take(Light(Lamp::Write));
            WriteStep(poll, out);
            break;
        default:
            break;
    }

    if (state_.LinkMode == kModeIdle && poll == kPoll && !data) out.Take(Light(Lamp::Idle));

    Effect log{Effect::Kind::Log};
    if (data) {
        log.entry = *data;
    } else if (marked) {
        log.entry = {LogEntry::Kind::MarkedPoll, value, {}};
    } else if (IsPoll(value)) {
        const bool line = NamesAnObject(state_.CurObject);
        log.entry = {line ? LogEntry::Kind::Poll : LogEntry::Kind::BarePoll, value, {}};
    } else {
        log.entry = {LogEntry::Kind::Value, value, {}};
    }
    out.Take(log);
}

std::optional<LogEntry> LinkEngine::ReadStep(std::uint8_t value, std::uint8_t poll,
                                             EffectSink& out) {
    LinkState& s = state_;
    // Only once both address bytes are out is a value the data byte, a poll value included.
    if (s.LinkStep == kReadStepDataDue) {
        s.LinkStep = kReadStepStart;
        // A device that missed the low address byte is back at idle polling, and its 172 then
        // stands where the data byte is due. A 172 counts as the object's value only when the
        // next read of the object gives it again; until then it is a marked poll.
        if (value == kPoll && !s.PollToConfirm) {
            s.PollToConfirm = true;
            progressed_ = true;
            return std::nullopt;
        }
        return TakeData(value, out);
    }
    if (poll == kPoll) {
        if (s.LinkStep == kReadStepStart) {
            s.LinkStep = kReadStepPolled;
            progressed_ = true;
        } else if (s.LinkStep == kReadStepPolled) {
            out.Take(Send(kReadCommand));
            s.LinkStep = kReadStepCommandSent;
            s.ObjectUnderWay = true;
            progressed_ = true;
        } else {
            Retry(true, out);  // the device went back to polling: it dropped the exchange
        }
        return std::nullopt;
    }
    if (poll == kAddressPoll) {
        if (s.LinkStep == kReadStepCommandSent) {
            SendAddress(true, out);
            s.LinkStep = kReadStepHighSent;
            progressed_ = true;
        } else if (s.LinkStep == kReadStepHighSent) {
            SendAddress(false, out);
            s.LinkStep = kReadStepDataDue;
            progressed_ = true;
        }
    }
    // Anything else where no data byte is due is only logged.
    return std::nullopt;
}

void LinkEngine::WriteStep(std::uint8_t poll, EffectSink& out) {
    LinkState& s = state_;
    if (poll == kPoll) {
        if (s.WriteStep == kWriteStepStart) {
            s.WriteStep = kWriteStepPolled;
            progressed_ = true;
        } else if (s.WriteStep == kWriteStepPolled) {
            out.Take(Send(kWriteCommand));
            s.WriteStep = kWriteStepCommandSent;
            s.ObjectUnderWay = true;
            progressed_ = true;
        } else {
            Retry(true, out);  // the device went back to polling: it dropped the exchange
        }
        return;
    }
    if (poll != kAddressPoll) return;  // the device says nothing the write needs; only logged
    switch (s.WriteStep) {
        case kWriteStepCommandSent:
            SendAddress(true, out);
            s.WriteStep = kWriteStepHighSent;
            break;
        case kWriteStepHighSent:
            SendAddress(false, out);
            s.WriteStep = kWriteStepEntryDue;
            break;
        case kWriteStepEntryDue:
            if (const StepResult<std::uint8_t> data = table_.at(s.CurObject.value()); data.ok()) {
                out.Take(Send(data.value()));
                written_ = data.value();
            } else {
                out.Take(Failure(data.failure()));
            }
            s.WriteStep = kWriteStepEntrySent;
            break;
        case kWriteStepEntrySent:
            // The device has the byte; reading it back shows what it really stored.
            s.WriteStep = kWriteStepStart;
            s.LinkMode = kModeRead;
            break;
        default:
            return;
    }
    progressed_ = true;
}

void LinkEngine::SendAddress(bool high, EffectSink& out) {
    // A failing step becomes a failure effect, and the steps after it run all the same.
    const StepResult<std::int32_t> object = TryRoundToLong(state_.CurObject.value());
    if (!object.ok()) return out.Take(Failure(object.failure()));
    // Integer division and remainder truncate toward zero, as the address bytes always have.
    const std::int32_t byte = high ? object.value() / 256 : object.value() % 256;
    // An address of an object the table cannot hold does not fit one byte on the line.
    if (byte < 0 || byte > 255) return out.Take(Failure("Invalid procedure call or argument"));
    out.Take(Send(static_cast<std::uint8_t>(byte)));
}

LogEntry LinkEngine::TakeData(std::uint8_t value, EffectSink& out) {
    LinkState& s = state_;
    if (const StepResult<void> stored = table_.Store(s.CurObject.value(), value); !stored.ok())
        out.Take(Failure(stored.failure()));
    // The line names the object the byte belongs to; it is written once the job has moved on.
    const LogEntry entry{LogEntry::Kind::Data, value, s.CurObject};
    s.ObjectUnderWay = false;
    s.PollToConfirm = false;
    s.Attempts = 0;
    s.EarlyPolls = 0;
    ++s.ObjectsDone;
    report_.done = s.ObjectsDone;
    progressed_ = true;
    if (IsObjectNumber(s.CurObject.value())) {
        const int object = static_cast<int>(RoundHalfEven(s.CurObject.value()));
        report_.values.push_back({object, value});
        // A write is verified by its read-back: the device must hold what was sent.
        if (s.WriteJob && written_ != value)
            report_.unverified.push_back(
                {object, static_cast<std::uint8_t>(written_ < 0 ? 0 : written_), value});
    }
    written_ = -1;
    const bool last = s.ListPos + 1 >= static_cast<int>(job_.objects.size());
    if (last || s.StopRequested) {
        EndJob(
            s.StopRequested && !last ? JobReport::Outcome::Stopped : JobReport::Outcome::Finished,
            out);
    } else {
        Advance(out);
    }
    return entry;
}

void LinkEngine::Advance(EffectSink& out) {
    LinkState& s = state_;
    s.LinkStep = kReadStepStart;
    ++s.ListPos;
    s.CurObject = job_.objects[static_cast<std::size_t>(s.ListPos)];
    Effect shown{Effect::Kind::ShowObject};
    shown.object = s.CurObject;
    out.Take(shown);
    // In a write job each object starts with its write exchange.
    if (s.WriteJob) s.LinkMode = kModeWrite;
}

}  // namespace zelmar
