#include "link/link.h"

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

Link::Link(SerialPort& port, LinkEngine& engine) : port_(port), engine_(engine) {
    port_.OnReceive = [this](std::uint8_t byte) { Received(byte); };
    port_.OnComm = [this](int code) { Event(code); };
    port_.OnLost = [this](const std::string& description) {
        if (onLost) onLost(description);
    };
}

void Link::SelectPort(int port) {
    if (!port_.PortOpen()) port_.SetCommPort(port);
}

void Link::Toggle() {
    port_.SetPortOpen(!port_.PortOpen());
}

void Link::Send(std::uint8_t byte) {
    const char c = static_cast<char>(byte);
    port_.Output(std::string_view(&c, 1));
}

void Link::Tick(std::int64_t nowMs) {
    if (effects) engine_.Tick(nowMs, *effects);
}

void Link::Received(std::uint8_t byte) {
    ++received_;
    if (effects) engine_.Receive(byte, *effects);
}

void Link::Event(int code) {
    // A line-status change or a port error neither ends a job nor closes the port.
    if (code == comEvSend) return;
    const EventText event = TextOfEvent(code);
    (event.lineStatus ? lastEventText_ : lastErrorText_) = event.text;
}

}  // namespace zelmar
