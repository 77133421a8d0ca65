#include "form/bindings.h"

namespace zelmar {

void WindowBindings::Append(std::string_view text) {
    Control& term = w_.txtTerm;
    term.SetSelStart(term.text().size());
    term.SetSelText(text);
    term.SetSelStart(term.text().size());
}

void WindowBindings::SetStartText(Frame frame, std::string text) {
    StartBox(frame).SetText(std::move(text));
}

void WindowBindings::SetEndText(Frame frame, std::string text) {
    EndBox(frame).SetText(std::move(text));
}

bool WindowBindings::FirstObjectOnly(Frame frame) const {
    return (frame == Frame::Read ? w_.Check2 : w_.Check3).value() != 0;
}

void WindowBindings::ShowObject(Number object) {
    w_.Label5.SetCaption(NumberText(object.value()));
}

void WindowBindings::Refuse(const std::string& reason) {
    w_.ShowMessage(reason, MessageIcon::Exclamation);
}

SettingsInput WindowBindings::PanelSettings() const {
    SettingsInput input;
    input.sendDelayIndex = w_.Combo1.listIndex();
    input.packetTime = w_.Text_Pac_Time.text();
    input.repeatDelayIndex = w_.Combo2.listIndex();
    for (int n = 1; n <= kRepeaterCount; ++n) input.repeaters[n - 1] = w_.Text_R(n).text();
    return input;
}

}  // namespace zelmar
