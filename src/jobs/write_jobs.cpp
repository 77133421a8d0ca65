// Starting and stopping write jobs. The settings button first composes the settings entries of
// the image from the panel; the frame's option writes the image as it stands.
#include "window/frm_terminal.h"

namespace zelmar {

void frmTerminal::Command3_Click() {
    // The list is looked at before the encoding: a start refused for want of a list leaves the
    // image untouched too.
    if (ListIsMissing()) return;
    std::string refusal;
    if (!EncodeSettings(refusal)) {
        ShowMessage(refusal, MessageIcon::Exclamation);
        return;
    }
    BeginStart(Text3, Text4);
    state.CurObject = Number::Double(NumberOfText(Text3.text()));
    state.EndObject = Number::Double(NumberOfText(Text4.text()));
    state.WriteJob = true;
    state.LinkMode = 2;
    ShowCurObject();
}

void frmTerminal::Option3_Click(int index) {
    if (index != 1) {
        StopJob(Text3, Text4);
        return;
    }
    if (!BeginStart(Text3, Text4)) return;
    state.EndObject = Number::Double(NumberOfText(Text3.text()));
    if (Check3.value() != 0) {
        state.CurObject = state.EndObject;
    } else {
        // Unlike a read, a write starts where the box says: object 0 and the settings included.
        state.CurObject = Number::Double(NumberOfText(Text3.text()));
        state.EndObject = Number::Double(NumberOfText(Text4.text()));
    }
    if (state.CurObject > state.EndObject) {
        state.EndObject = state.CurObject;
        Text3.SetText(NumberText(state.CurObject.value()));
        Text4.SetText(NumberText(state.EndObject.value()));
    }
    state.WriteJob = true;
    state.LinkMode = 2;
    ShowCurObject();
}

}  // namespace zelmar
