#include "session/session.h"

#include "numbers/numbers.h"

namespace zelmar {

namespace {

std::string Seconds(std::int64_t ms) {
    return NumberText(static_cast<double>(ms) / 1000) + " s";
}

}  // namespace

Session::Session(SerialPort& port, Plan plan, SessionOptions options)
    : plan_(std::move(plan)), options_(std::move(options)), line_(port) {
    line_.SetView(this);
    line_.SetAttempts(options_.attempts);
    line_.SetReopenings(options_.reopenings);
    line_.SetStallOnlyOncePolled(true);
}

Session::~Session() {
    line_.SetView(nullptr);
}

void Session::Begin(std::int64_t nowMs) {
    if (Finished()) return;  // stopped before it began
    if (!plan_.error.empty()) return End(Outcome::BadInput, plan_.error);
    if (plan_.objects.empty()) return Complete();
    line_.SelectPort(options_.port);
    try {
        line_.Toggle();
    } catch (const StepError& e) {
        return End(Outcome::LineFailed, e.what());
    }
    line_.Tick(nowMs);  // the silence counts from the opening
    if (plan_.task == Task::Write) {
        for (const ObjectEntry& entry : plan_.objects) line_.table().Set(entry.object, entry.value);
    }
    StartRemaining();
}

void Session::Tick(std::int64_t nowMs) {
    if (Finished()) return;
    line_.Tick(nowMs);
    if (Finished() || line_.QuietMs() < options_.silenceMs) return;
    const std::string silence = Seconds(options_.silenceMs);
    if (!line_.PolledSinceOpening() && values_.empty()) {
        return End(Outcome::LineFailed, "The device on " + options_.portName +
                                            " sent nothing within " + silence +
                                            "; nothing was sent to it.");
    }
    Failed("the device fell silent for " + silence);
}

void Session::Stop() {
    if (Finished()) return;
    if (line_.Busy()) {
        line_.Stop();
    } else {
        End(Outcome::Interrupted,
            JobOutcomeText(Whole(JobReport::Outcome::Stopped), options_.portName));
    }
}

void Session::StopAtOnce(const std::string& why) {
    if (Finished()) return;
    Harvest();
    const JobReport whole = Whole(JobReport::Outcome::Stopped);
    std::string at;
    if (whole.done < whole.total) at = " at object " + NumberText(whole.stoppedAt.value());
    End(Outcome::Interrupted,
        "Stopped at once" + at + " (" + why + "); " + JobDoneText(whole) + ".");
}

void Session::StartRemaining() {
    harvested_ = 0;
    const std::size_t offset = values_.size();
    if (offset >= plan_.objects.size()) return Complete();
    std::vector<int> objects;
    for (std::size_t i = offset; i < plan_.objects.size(); ++i)
        objects.push_back(plan_.objects[i].object);
    line_.Start(Job{plan_.task == Task::Write ? Direction::Write : Direction::Read,
                    ObjectsOf(objects), JobOrigin::CommandLine});
}

void Session::Harvest() {
    const std::vector<ObjectEntry>& values = line_.report().values;
    while (harvested_ < values.size() && values_.size() < plan_.objects.size())
        values_.push_back(values[harvested_++]);
}

void Session::Take(const Effect& effect) {
    if (Finished()) return;
    switch (effect.kind) {
        case Effect::Kind::JobEnded:
            Harvest();
            if (line_.report().outcome == JobReport::Outcome::Finished) {
                Complete();
            } else if (line_.report().outcome == JobReport::Outcome::Stopped) {
                End(Outcome::Interrupted,
                    JobOutcomeText(Whole(JobReport::Outcome::Stopped), options_.portName));
            }
            break;  // a failed job tells why next
        case Effect::Kind::JobFailed:
            Harvest();
            Failed(line_.report().reason);
            break;
        case Effect::Kind::Reopened:
            // The line began out of step and was opened again: on with the objects not done.
            Harvest();
            StartRemaining();
            break;
        case Effect::Kind::OutOfStep:
            Harvest();
            End(Outcome::LineFailed, OutOfStepText(options_.portName) + " " +
                                         JobDoneText(Whole(JobReport::Outcome::Failed)) + ".");
            break;
        case Effect::Kind::PortLost:
            if (!line_.Busy()) Failed(effect.failure);
            break;  // a job under way is interrupted next, and tells why
        case Effect::Kind::Failure:
            // An answer that could not go out: the job cannot go on as planned.
            if (line_.Busy()) {
                line_.Interrupt(effect.failure);
            } else {
                Failed(effect.failure);
            }
            break;
        default:
            break;
    }
}

JobReport Session::Whole(JobReport::Outcome outcome) const {
    JobReport whole;
    whole.outcome = outcome;
    whole.direction = plan_.task == Task::Write ? Direction::Write : Direction::Read;
    whole.origin = JobOrigin::CommandLine;
    whole.total = Total();
    whole.done = Done();
    if (values_.size() < plan_.objects.size())
        whole.stoppedAt = Number::Double(plan_.objects[values_.size()].object);
    return whole;
}

void Session::Complete() {
    for (std::size_t i = 0; i < values_.size(); ++i) {
        const ObjectEntry& planned = plan_.objects[i];
        if (plan_.task != Task::Read && values_[i].value != planned.value)
            mismatches_.push_back({planned.object, planned.value, values_[i].value});
    }
    if (mismatches_.empty()) return End(Outcome::Done, {});
    End(Outcome::Unverified, MismatchText(mismatches_, plan_.task == Task::Write));
}

void Session::Failed(const std::string& reason) {
    JobReport whole = Whole(JobReport::Outcome::Failed);
    whole.reason =
        !reason.empty() && reason.back() == '.' ? reason.substr(0, reason.size() - 1) : reason;
    End(Outcome::LineFailed, JobOutcomeText(whole, options_.portName));
}

void Session::End(Outcome outcome, std::string message) {
    outcome_ = outcome;
    message_ = std::move(message);
    if (line_.IsOpen()) {
        try {
            line_.Toggle();
        } catch (const StepError&) {
            // The job's outcome stands; a port that will not close is closed by the exit.
        }
    }
}

}  // namespace zelmar
