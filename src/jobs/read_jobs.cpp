// Starting and stopping read jobs. A start only sets the shared state; the device leads, and
// the dialogue carries the job out at its next polls.
#include "window/frm_terminal.h"

namespace zelmar {

void frmTerminal::Command2_Click() {
    if (!BeginStart(Text1, Text2)) return;
    // The settings button reads whatever the boxes say, unchecked.
    state.CurObject = Number::Double(NumberOfText(Text1.text()));
    state.EndObject = Number::Double(NumberOfText(Text2.text()));
    state.LinkMode = 1;
    ShowCurObject();
}

void frmTerminal::Option2_Click(int index) {
    if (index != 1) {
        StopJob(Text1, Text2);
        return;
    }
    if (!BeginStart(Text1, Text2)) return;
    state.EndObject = Number::Double(NumberOfText(Text1.text()));
    if (Check2.value() != 0) {
        state.CurObject = state.EndObject;  // the start object alone, as it stands
    } else {
        if (IsNumber(Text1.text())) {
            state.CurObject = Number::Double(NumberOfText(Text1.text()));
        } else {
            state.CurObject = Number::Int16(1);
            Text1.SetText("1");
        }
        if (state.CurObject < Number::Int16(1) || state.CurObject > Number::Int16(8175)) {
            state.CurObject = Number::Int16(1);
            Text1.SetText("1");
        }
        state.EndObject = Number::Double(NumberOfText(Text2.text()));
    }
    if (state.CurObject > state.EndObject) {
        state.EndObject = state.CurObject;
        Text1.SetText(NumberText(state.CurObject.value()));
        Text2.SetText(NumberText(state.EndObject.value()));
    }
    state.LinkMode = 1;
    ShowCurObject();
}

}  // namespace zelmar
