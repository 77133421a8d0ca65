// The port bar: choosing the port and opening or closing it from the connection lamp.
#include "window/frm_terminal.h"

namespace zelmar {

void frmTerminal::Option1_Click(int index) {
    if (!MSComm1.PortOpen()) MSComm1.SetCommPort(index);
}

void frmTerminal::TogglePort() {
    try {
        MSComm1.SetPortOpen(!MSComm1.PortOpen());
    } catch (const StepError& failure) {
        ShowMessage(failure.what(), MessageIcon::Exclamation);
    }
}

void frmTerminal::imgNotConnected_Click() {
    TogglePort();
    // What follows depends on the port's state, not on the lamp that was clicked.
    if (MSComm1.PortOpen()) {
        Skipping([this] { imgConnected.BringToFront(); });
        Skipping([this] { Frame2.SetEnabled(true); });
        Skipping([this] { Frame3.SetEnabled(true); });
        Skipping([this] { Label5.SetCaption("Object"); });
        SetObjectBoxesToOne();
        state.CurObject = Number::Int16(1);
        state.EndObject = Number::Int16(1);
        Skipping([this] { Option2(2).SetValue(1); });
        Skipping([this] { Option3(2).SetValue(1); });
        state.WriteJob = false;
        state.LinkMode = 0;
        state.LinkStep = 0;
        state.WriteStep = 0;
        ResetCh10();
        for (Control* option : Option1.members()) Skipping([option] { option->SetEnabled(false); });
        state.JustConnected = true;
    } else {
        Skipping([this] { imgNotConnected.BringToFront(); });
    }
    EndPortAttempt();
}

void frmTerminal::imgConnected_Click() {
    TogglePort();
    if (MSComm1.PortOpen()) {
        Skipping([this] { imgConnected.BringToFront(); });
    } else {
        ShowClosedState();
    }
    EndPortAttempt();
}

void frmTerminal::MSComm1_OnLost(const std::string& description) {
    // The component has closed the port already: show it closed, as after a disconnect, and
    // keep the image and the shared state for the reconnect.
    ShowClosedState();
    EndPortAttempt();
    ShowMessage(description, MessageIcon::Exclamation);
}

void frmTerminal::ShowClosedState() {
    Skipping([this] { imgNotConnected.BringToFront(); });
    Skipping([this] { Frame2.SetEnabled(false); });
    Skipping([this] { Frame3.SetEnabled(false); });
    for (Control* option : Option1.members()) Skipping([option] { option->SetEnabled(true); });
}

void frmTerminal::EndPortAttempt() {
    Skipping([this] { Option1(MSComm1.CommPort()).SetValue(1); });
    Skipping([this] { Image1(3).BringToFront(); });
}

}  // namespace zelmar
