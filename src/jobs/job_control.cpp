#include "jobs/job_control.h"

namespace zelmar {

namespace {
constexpr int kLastOrdinaryObject = 8175;
}

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
    form_.Refuse("The object list is empty: load a list of object numbers first.");
    return true;
}

bool JobControl::RefuseWhileBusy() {
    if (!engine_.Busy()) return false;
    // A second job would cut the first one's exchange in two and leave it half done.
    form_.Refuse("A job is under way: wait for it to end, or stop it first.");
    return true;
}

bool JobControl::BeginStart(Frame frame) {
    if (RefuseWhileBusy() || ListIsMissing()) return false;
    ListStep(frame);
    if (form_.ClearChosen()) form_.ClearLog();
    return true;
}

void JobControl::Start(const Job& job) {
    engine_.Start(job);
    form_.ShowObject(engine_.state().CurObject);
}

void JobControl::ReadSettings() {
    if (!BeginStart(Frame::Read)) return;
    Start({Number::Double(NumberOfText(form_.StartText(Frame::Read))),
           Number::Double(NumberOfText(form_.EndText(Frame::Read))), false});
}

void JobControl::WriteSettings() {
    // The list is looked at before the encoding: a start refused for want of a list leaves the
    // image untouched too.
    if (RefuseWhileBusy() || ListIsMissing()) return;
    const SettingsEncoding encoding = EncodeSettingsEntries(form_.PanelSettings());
    if (!encoding.entries) {
        form_.Refuse(encoding.refusal);
        return;
    }
    StoreSettingsEntries(*encoding.entries, engine_.table());
    BeginStart(Frame::Write);
    Start({Number::Double(NumberOfText(form_.StartText(Frame::Write))),
           Number::Double(NumberOfText(form_.EndText(Frame::Write))), true});
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
    Start({first, end, frame == Frame::Write});
}

void JobControl::Stop(Frame frame) {
    ListStep(frame);
    engine_.Stop(effects_);
    form_.ShowObject(engine_.state().CurObject);
}

}  // namespace zelmar
