// The port's event handler: each received byte goes to the dialogue as its decimal text;
// every other event only leaves its text behind.
#include <string>

#include "window/frm_terminal.h"

namespace zelmar {

namespace {

// The text an event other than a receive leaves, and whether it is a line-status change.
struct EventText {
    const char* text;
    bool lineStatus;
};

EventText TextOfEvent(int code) {
    switch (code) {
        case comEvCTS:
            return {"Change in CTS Detected", true};
        case comEvDSR:
            return {"Change in DSR Detected", true};
        case comEvCD:
            return {"Change in CD Detected", true};
        case comEvRing:
            return {"The Phone is Ringing", true};
        case comEvEOF:
            return {"End of File Detected", true};
        case comEventBreak:
            return {"Break Received", false};
        case comEventCTSTO:
            return {"CTS Timeout", false};
        case comEventDSRTO:
            return {"DSR Timeout", false};
        case comEventFrame:
            return {"Framing Error", false};
        case comEventOverrun:
            return {"Overrun Error", false};
        case comEventCDTO:
            return {"Carrier Detect Timeout", false};
        case comEventRxOver:
            return {"Receive Buffer Overflow", false};
        case comEventRxParity:
            return {"Parity Error", false};
        case comEventTxFull:
            return {"Transmit Buffer Full", false};
        case comEventDCB:
            return {"Error retrieving DCB", false};
        default:
            return {"Unknown error or event", false};
    }
}

}  // namespace

void frmTerminal::MSComm1_OnComm() {
    const auto code = static_cast<std::int16_t>(MSComm1.CommEvent());
    if (code == comEvReceive) {
        state.ReceivedInput = MSComm1.Input();
        if (state.ReceivedInput.empty()) return;  // nothing was waiting after all
        std::string text = std::to_string(static_cast<unsigned char>(state.ReceivedInput[0]));
        ProcessReceivedByte(txtTerm, text);
        return;
    }
    if (code == comEvSend) return;
    const EventText event = TextOfEvent(code);
    (event.lineStatus ? state.LastEventText : state.LastErrorText) = event.text;
}

}  // namespace zelmar
