#include "platform/serial_port.h"

#include "window/numbers.h"

namespace zelmar {

void SerialPort::SetCommPort(int port) {
    if (open_) throw StepError("Port already open");
    if (port < 1 || port > 16) throw StepError("Invalid port number");
    commPort_ = port;
}

void SerialPort::SetPortOpen(bool open) {
    if (open == open_) {
        if (open) throw StepError("Port already open");
        return;
    }
    if (open) {
        OpenDevice(commPort_, settings_);
    } else {
        CloseDevice();
    }
    open_ = open;
    ClearBuffers();
}

void SerialPort::Output(std::string_view bytes) {
    if (!open_) throw StepError("Operation valid only when the port is open");
    WriteDevice(bytes);
}

std::string SerialPort::Input() {
    std::string taken;
    while (!inBuffer_.empty() && static_cast<int>(taken.size()) < settings_.inputLen) {
        taken.push_back(inBuffer_.front());
        inBuffer_.pop_front();
    }
    return taken;
}

void SerialPort::Received(std::string_view bytes) {
    if (!open_) return;
    for (char byte : bytes) {
        inBuffer_.push_back(byte);
        pendingEvents_.push_back(comEvReceive);
    }
    Dispatch();
}

void SerialPort::Raise(int code) {
    if (!open_) return;
    pendingEvents_.push_back(code);
    Dispatch();
}

void SerialPort::Lost(const std::string& description) {
    if (!open_) return;
    open_ = false;
    ClearBuffers();
    try {
        CloseDevice();
    } catch (const StepError&) {
        // The device is gone already; there is nothing left to release but our side.
    }
    if (OnLost) OnLost(description);
}

void SerialPort::Dispatch() {
    if (dispatching_) return;  // the running handler's loop below raises it
    struct Running {
        bool& flag;
        explicit Running(bool& f) : flag(f) { flag = true; }
        ~Running() { flag = false; }
    } running(dispatching_);
    while (!pendingEvents_.empty()) {
        commEvent_ = pendingEvents_.front();
        pendingEvents_.pop_front();
        if (OnComm) OnComm();
    }
}

void SerialPort::ClearBuffers() {
    pendingEvents_.clear();
    inBuffer_.clear();
}

}  // namespace zelmar
