#include "link/line.h"

#include "dialogue/terminal_log.h"

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

std::string OutOfStepText(std::string_view port) {
    return "The device on " + std::string(port) +
           " does not start its dialogue with 172: check the device type, the cable and the baud "
           "rate.";
}

Line::Line(SerialPort& port) : port_(port) {
    port_.OnReceive = [this](std::uint8_t byte) { Received(byte); };
    port_.OnComm = [this](int code) { Event(code); };
    port_.OnLost = [this](const std::string& description) { Lost(description); };
    engine_.Reset();
}

Line::~Line() {
    port_.OnReceive = nullptr;
    port_.OnComm = nullptr;
    port_.OnLost = nullptr;
}

void Line::SelectPort(int port) {
    if (!port_.PortOpen()) port_.SetCommPort(port);
}

void Line::Toggle() {
    port_.SetPortOpen(!port_.PortOpen());
    if (port_.PortOpen()) {
        outOfStep_ = 0;
        Opened();
    }
}

void Line::Opened() {
    receivedAtOpen_ = received_;
    lastHeardMs_ = -1;
    engine_.Connected();
}

bool Line::Start(Job job) {
    return engine_.Start(std::move(job));
}

void Line::Stop() {
    engine_.Stop(*this);
}

void Line::Interrupt(const std::string& reason) {
    engine_.Interrupt(reason, *this);
}

void Line::Tick(std::int64_t nowMs) {
    nowMs_ = nowMs;
    if (!IsOpen() || lastHeardMs_ < 0 || received_ != heardCount_) {
        lastHeardMs_ = nowMs;
        heardCount_ = received_;
    }
    // A value half handled (a box open in its midst) leaves the engine mid-step: its stall
    // clock waits until the value is through.
    if (receiving_) return;
    if (!stallOnlyOncePolled_ || PolledSinceOpening()) engine_.Tick(nowMs, *this);
}

std::int64_t Line::QuietMs() const {
    return IsOpen() && lastHeardMs_ >= 0 ? nowMs_ - lastHeardMs_ : 0;
}

std::string Line::ActivityText() const {
    if (!IsOpen()) return {};
    // The device polls without pause: three seconds of silence is a device that is off, a
    // cable that is loose or a port that leads nowhere.
    if (QuietMs() >= kSilentMs)
        return "No polls from the device for 3 s: check power, cable and port";
    return PolledSinceOpening() ? "Device polling" : "Waiting for the device";
}

void Line::RecordTraffic() {
    if (!traffic_) traffic_ = std::make_unique<TrafficRecord>();
}

void Line::Received(std::uint8_t byte) {
    ++received_;
    const bool first = engine_.state().JustConnected;
    receiving_ = true;
    engine_.Receive(byte, *this);
    receiving_ = false;
    // The line got into step: only openings out of step in a row count.
    if (first && byte == kPoll) outOfStep_ = 0;
}

void Line::Take(const Effect& effect) {
    switch (effect.kind) {
        case Effect::Kind::Send:
            Answer(effect.byte);
            return;
        case Effect::Kind::Restart:
            Reopen();
            return;
        case Effect::Kind::Log:
            if (traffic_) {
                TerminalLog::Format(effect.entry, trafficText_);
                traffic_->Append(trafficText_);
            }
            break;
        default:
            break;
    }
    Pass(effect);
}

void Line::Answer(std::uint8_t byte) {
    const char c = static_cast<char>(byte);
    const StepResult<void> sent = port_.TryOutput(std::string_view(&c, 1));
    if (!sent.ok()) PassFailure(sent.failure());
}

void Line::PassFailure(const std::string& failure) {
    Effect failed{Effect::Kind::Failure};
    failed.failure = failure;
    Pass(failed);
}

void Line::Reopen() {
    if (++outOfStep_ > reopenings_) {
        // Closed or not, nothing more is answered on this line: the engine is reset below.
        (void)port_.TrySetPortOpen(false);
        engine_.Reset("the device does not start its dialogue with 172");
        Pass(Effect{Effect::Kind::OutOfStep});
        return;
    }
    StepResult<void> reopened = port_.TrySetPortOpen(false);
    if (reopened.ok()) reopened = port_.TrySetPortOpen(true);
    // A port that would not close stays open, and the link starts over on it all the same.
    if (!reopened.ok() && !port_.PortOpen()) return Lost(reopened.failure());
    Opened();
    Pass(Effect{Effect::Kind::Reopened});
}

void Line::Lost(const std::string& description) {
    Effect lost{Effect::Kind::PortLost};
    lost.failure = description;
    lost.jobCut = engine_.Busy();
    Pass(lost);
    engine_.Interrupt(description, *this);
}

void Line::Event(int code) {
    // A line-status change or a port error neither ends a job nor closes the port.
    if (code == comEvSend) return;
    const EventText event = TextOfEvent(code);
    (event.lineStatus ? lastEventText_ : lastErrorText_) = event.text;
}

}  // namespace zelmar
