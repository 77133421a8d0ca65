// What the read and the write frames share: the object list step, clearing the pane, "Stop".
#include "window/frm_terminal.h"

namespace zelmar {

bool frmTerminal::ListStep(Control& startBox, Control& endBox) {
    if (Check4.value() != 1 || List1.items().empty()) return false;
    // Copied before use: setting a box runs its change check, which may touch the list.
    const std::string first = List1.items().front();
    const std::string last = List1.items().back();
    startBox.SetText(first);
    endBox.SetText(last);
    return true;
}

bool frmTerminal::ListIsMissing() {
    if (Check4.value() != 1 || !List1.items().empty()) return false;
    // A list job needs a first and a last object; without them nothing starts.
    ShowMessage("The object list is empty: load a list of object numbers first.",
                MessageIcon::Exclamation);
    return true;
}

bool frmTerminal::BeginStart(Control& startBox, Control& endBox) {
    if (ListIsMissing()) return false;
    ListStep(startBox, endBox);
    state.ListPos = 0;
    if (chClear.value() != 0) txtTerm.SetText("");
    return true;
}

void frmTerminal::ShowCurObject() {
    Label5.SetCaption(NumberText(state.CurObject.value()));
}

void frmTerminal::StopJob(Control& startBox, Control& endBox) {
    ListStep(startBox, endBox);
    // The engine ends a job when the object it has just read is the end object.
    state.CurObject = state.EndObject;
    ShowCurObject();
}

}  // namespace zelmar
