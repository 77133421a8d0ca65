#include "ports/serial_port.h"

#include "numbers/numbers.h"

namespace zelmar {

namespace {

// A failure of the implementation's device turns from a throw into an answer here, and in
// TryOutput for a write.
template <class Call>
StepResult<void> DeviceStep(Call&& call) {
    try {
        call();
    } catch (const StepError& failure) {
        return StepResult<void>::Failed(failure.what());
    }
    return {};
}

}  // namespace

void SerialPort::SetCommPort(int port) {
    if (open_) throw StepError("Port already open");
    if (port < 1 || port > 16) throw StepError("Invalid port number");
    commPort_ = port;
}

void SerialPort::SetPortOpen(bool open) {
    TrySetPortOpen(open).ThrowIfFailed();
}

StepResult<void> SerialPort::TrySetPortOpen(bool open) {
    if (open == open_) {
        if (open) return StepResult<void>::Failed("Port already open");
        return {};
    }
    const StepResult<void> done = DeviceStep([&] {
        if (open) {
            OpenDevice(commPort_, settings_);
        } else {
            CloseDevice();
        }
    });
    if (!done.ok()) return done;
    open_ = open;
    pending_.clear();
    return {};
}

void SerialPort::Output(std::string_view bytes) {
    TryOutput(bytes).ThrowIfFailed();
}

void SerialPort::Received(std::string_view bytes) {
    if (!open_) return;
    for (char byte : bytes) pending_.push_back({comEvReceive, static_cast<std::uint8_t>(byte)});
    Dispatch();
}

void SerialPort::Raise(int code) {
    if (!open_) return;
    pending_.push_back({code, 0});
    Dispatch();
}

void SerialPort::Lost(const std::string& description) {
    if (!open_) return;
    open_ = false;
    pending_.clear();
    // The device is gone already: a failure to release it leaves nothing to release but our side.
    (void)DeviceStep([this] { CloseDevice(); });
    if (OnLost) OnLost(description);
}

void SerialPort::Dispatch() {
    if (dispatching_) return;  // the running handler's loop below raises it
    struct Running {
        bool& flag;
        explicit Running(bool& f) : flag(f) { flag = true; }
        ~Running() { flag = false; }
    } running(dispatching_);
    while (!pending_.empty()) {
        const Event event = pending_.front();
        pending_.pop_front();
        if (event.code == comEvReceive) {
            if (OnReceive) OnReceive(event.byte);
        } else if (OnComm) {
            OnComm(event.code);
        }
    }
}

}  // namespace zelmar
