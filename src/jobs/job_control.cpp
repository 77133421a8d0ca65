#include "jobs/job_control.h"

namespace zelmar {

namespace {
constexpr int kLastOrdinaryObject = 8175;
constexpr const char* kBusyRefusal = "a job is under way";
}  // namespace

bool JobControl::ListStep(Frame frame) {
    if (!useList_.value_or(form_.ListChecked()) || form_.ListItems().empty()) return false;
    // Copied before use: setting a box runs its checks, which may touch the list.
    const std::string first = form_.ListItems().front();
    const std::string last = form_.ListItems().back();
    form_.SetStartText(frame, first);
    form_.SetEndText(frame, last);
    return true;
}

bool JobControl::ListIsMissing() {
    if (!useList_.value_or(form_.ListChecked()) || !form_.ListItems().empty()) return false;
    // A list job needs a first and a last object; without them nothing starts.
    refusal_ = "the object list is empty";
    form_.Refuse("The object list is empty: load a list of object numbers first.");
    return true;
}

bool JobControl::RefuseWhileClosed() {
    if (form_.LineOpen()) return false;
    refusal_ = "the port is closed: open it with the red lamp first";
    return true;
}

bool JobControl::RefuseWhileBusy() {
    if (!engine_.Busy()) return false;
    // A second job would cut the first one's exchange in two and leave it half done.
    refusal_ = kBusyRefusal;
    form_.Refuse("A job is under way: wait for it to end, or stop it first.");
    return true;
}

bool JobControl::BeginStart(Frame frame) {
    if (RefuseWhileBusy() || RefuseWhileClosed() || ListIsMissing()) return false;
    ListStep(frame);
    if (form_.ClearChosen()) form_.ClearLog();
    return true;
}

void JobControl::Start(const Job& job) {
    total_ = CountObjects(job.first, job.end, useList_.value_or(form_.ListChecked()));
    refusal_.clear();
    engine_.Start(job);
    form_.ShowObject(engine_.state().CurObject);
}

int JobControl::CountObjects(Number first, Number end, bool list) const {
    if (list) {
        // The engine walks the list from its first entry until an entry names the end object.
        const auto& items = form_.ListItems();
        for (std::size_t i = 0; i < items.size(); ++i)
            if (Number::Double(NumberOfText(items[i])) == end) return static_cast<int>(i) + 1;
        return 0;
    }
    const double count = RoundHalfEven(end.value()) - RoundHalfEven(first.value()) + 1;
    return count >= 1 && count <= kObjectCount ? static_cast<int>(count) : 0;
}

std::string JobControl::StatusText() const {
    const std::string what = settings_ ? "settings" : "objects";
    const JobReport& report = engine_.report();
    const std::string of = total_ > 0 ? " of " + std::to_string(total_) : "";
    if (engine_.Busy())
        return std::string(report.write ? "Writing " : "Reading ") + what + ": " +
               std::to_string(Done()) + of;
    // A start refused for a running job says nothing once that job has ended.
    if (!refusal_.empty() && refusal_ != kBusyRefusal) return "Not started: " + refusal_;
    const std::string done = std::to_string(report.done) + of;
    const std::string Kind = report.write ? "Write" : "Read";
    switch (report.outcome) {
        case JobReport::Outcome::None:
            return {};
        case JobReport::Outcome::Stopped:
            return Kind + " stopped: " + done + " done";
        case JobReport::Outcome::Failed:
            return Kind + " interrupted: " + done + " done (" + report.reason + ")";
        case JobReport::Outcome::Finished:
            break;
    }
    std::string title = what;
    title[0] = static_cast<char>(title[0] - 'a' + 'A');
    if (!report.write) return title + " read: " + done;
    if (report.unverified.empty()) return title + " written and verified: " + done;
    std::string objects;
    for (std::size_t i = 0; i < report.unverified.size() && i < 5; ++i)
        objects += (i ? ", " : "") + std::to_string(report.unverified[i]);
    if (report.unverified.size() > 5) objects += ", ...";
    return title + " written: " + done + "; " + std::to_string(report.unverified.size()) +
           " did not read back what was written (" + objects + ")";
}

void JobControl::ReadSettings() {
    useList_.reset();
    if (!BeginStart(Frame::Read)) return;
    settings_ = true;
    Start({Number::Double(NumberOfText(form_.StartText(Frame::Read))),
           Number::Double(NumberOfText(form_.EndText(Frame::Read))), false});
}

void JobControl::WriteSettings() {
    // The list is looked at before the encoding: a start refused for want of a list leaves the
    // image untouched too.
    useList_.reset();
    if (RefuseWhileBusy() || RefuseWhileClosed() || ListIsMissing()) return;
    const SettingsEncoding encoding = EncodeSettingsEntries(form_.PanelSettings());
    if (!encoding.entries) {
        refusal_ = encoding.refusal;
        form_.Refuse(encoding.refusal);
        return;
    }
    settings_ = true;
    StoreSettingsEntries(*encoding.entries, engine_.table());
    BeginStart(Frame::Write);
    Start({Number::Double(NumberOfText(form_.StartText(Frame::Write))),
           Number::Double(NumberOfText(form_.EndText(Frame::Write))), true});
}

void JobControl::StartRange(Frame frame, std::optional<bool> useList) {
    useList_ = useList;
    if (!BeginStart(frame)) return;
    settings_ = false;
    Number end = Number::Double(NumberOfText(form_.StartText(frame)));
    Number first = end;  // "First Object": the start object alone, as it stands
    if (!form_.FirstObjectOnly(frame)) {
        if (frame == Frame::Read) {
            // A read covers ordinary objects only; anything else starts at object 1.
            const std::string start = form_.StartText(frame);
            if (IsNumber(start)) {
                first = Number::Double(NumberOfText(start));
            } else {
                first = Number::Int16(1);
                form_.SetStartText(frame, "1");
            }
            if (first < Number::Int16(1) || first > Number::Int16(kLastOrdinaryObject)) {
                first = Number::Int16(1);
                form_.SetStartText(frame, "1");
            }
        } else {
            // Unlike a read, a write starts where the box says: object 0 and the settings too.
            first = Number::Double(NumberOfText(form_.StartText(frame)));
        }
        end = Number::Double(NumberOfText(form_.EndText(frame)));
    }
    if (first > end) {
        end = first;
        form_.SetStartText(frame, NumberText(first.value()));
        form_.SetEndText(frame, NumberText(end.value()));
    }
    Start({first, end, frame == Frame::Write});
}

void JobControl::Stop(Frame frame) {
    useList_.reset();
    ListStep(frame);
    engine_.Stop(effects_);
    form_.ShowObject(engine_.state().CurObject);
}

}  // namespace zelmar
