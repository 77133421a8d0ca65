#include "jobs/job_control.h"

#include <cctype>

namespace zelmar {

namespace {
constexpr int kLastOrdinaryObject = 8175;
constexpr const char* kBusyRefusal = "a job is under way";
}  // namespace

bool JobControl::ListStep(Frame frame) {
    if (!form_.ListChecked() || form_.ListItems().empty()) return false;
    // Copied before use: setting a box runs its checks, which may touch the list.
    const std::string first = form_.ListItems().front();
    const std::string last = form_.ListItems().back();
    form_.SetStartText(frame, first);
    form_.SetEndText(frame, last);
    return true;
}

bool JobControl::ListIsMissing() {
    if (!form_.ListChecked() || !form_.ListItems().empty()) return false;
    // A list job needs a first and a last object; without them nothing starts.
    refusal_ = "the object list is empty";
    form_.Refuse("The object list is empty: load a list of object numbers first.");
    return true;
}

bool JobControl::RefuseWhileClosed() {
    if (line_.IsOpen()) return false;
    refusal_ = "the port is closed: open it with the red lamp first";
    return true;
}

bool JobControl::RefuseWhileBusy() {
    if (!line_.Busy()) return false;
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

void JobControl::Start(Number first, Number end, Direction direction, JobOrigin origin) {
    Job job{direction,
            ClientAreaObjects(first, end, form_.ListWalked() ? &form_.ListItems() : nullptr),
            origin, end};
    refusal_.clear();
    line_.Start(std::move(job));
    form_.ShowObject(line_.state().CurObject);
}

std::vector<Number> ClientAreaObjects(Number first, Number end,
                                      const std::vector<std::string>* list) {
    std::vector<Number> objects{first};
    if (list) {
        for (std::size_t pos = 1;
             objects.back() != end && pos < list->size() && objects.size() < kMaxJobObjects; ++pos)
            objects.push_back(Number::Double(NumberOfText((*list)[pos])));
        return objects;
    }
    for (double object = first.value() + 1; object <= end.value() && objects.size() < kObjectCount;
         object += 1)
        objects.push_back(Number::Double(object));
    return objects;
}

bool JobControl::StartJob(Job job) {
    if (RefuseWhileBusy() || RefuseWhileClosed()) return false;
    if (job.objects.empty()) {
        refusal_ = "no objects to move";
        return false;
    }
    refusal_.clear();
    if (!line_.Start(std::move(job))) return false;
    form_.ShowObject(line_.state().CurObject);
    return true;
}

std::string JobControl::StatusText() const {
    // A start refused for a running job says nothing once that job has ended.
    if (!line_.Busy() && !refusal_.empty() && refusal_ != kBusyRefusal)
        return "Not started: " + refusal_;
    return JobStatusText(line_.report());
}

void JobControl::ReadSettings() {
    if (!BeginStart(Frame::Read)) return;
    Start(Number::Double(NumberOfText(form_.StartText(Frame::Read))),
          Number::Double(NumberOfText(form_.EndText(Frame::Read))), Direction::Read,
          JobOrigin::SettingsPanel);
}

void JobControl::WriteSettings() {
    // The list is looked at before the encoding: a start refused for want of a list leaves the
    // image untouched too.
    if (RefuseWhileBusy() || RefuseWhileClosed() || ListIsMissing()) return;
    const SettingsEncoding encoding = EncodeSettingsEntries(form_.PanelSettings());
    if (!encoding.entries) {
        // The box has the sentence; the status bar goes on after "Not started: ".
        refusal_ = encoding.refusal;
        if (!refusal_.empty() && refusal_.back() == '.') refusal_.pop_back();
        if (!refusal_.empty()) refusal_[0] = static_cast<char>(std::tolower(refusal_[0]));
        form_.Refuse(encoding.refusal);
        return;
    }
    StoreSettingsEntries(*encoding.entries, line_.table());
    BeginStart(Frame::Write);
    Start(Number::Double(NumberOfText(form_.StartText(Frame::Write))),
          Number::Double(NumberOfText(form_.EndText(Frame::Write))), Direction::Write,
          JobOrigin::SettingsPanel);
}

void JobControl::StartRange(Frame frame) {
    if (!BeginStart(frame)) return;
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
    Start(first, end, frame == Frame::Write ? Direction::Write : Direction::Read, JobOrigin::Frame);
}

void JobControl::Stop(Frame frame) {
    ListStep(frame);
    line_.Stop();
    form_.ShowObject(line_.state().CurObject);
}

}  // namespace zelmar
