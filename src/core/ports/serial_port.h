#pragma once
// The serial port component: the operations the window relies on, named as the window uses
// them. Each implementation only opens, closes and writes its device and hands in what it
// receives; the event rules (one receive event per byte, events never re-entered, pending
// events dropped at every open and close) live here once.
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

#include "numbers/step_result.h"

namespace zelmar {

// Event codes of CommEvent.
enum CommEventCode : int {
    comEvSend = 1,
    comEvReceive = 2,
    comEvCTS = 3,
    comEvDSR = 4,
    comEvCD = 5,
    comEvRing = 6,
    comEvEOF = 7,
    comEventBreak = 1001,
    comEventCTSTO = 1002,
    comEventDSRTO = 1003,
    comEventFrame = 1004,
    comEventUnknown = 1005,  // no error of the component has this code
    comEventOverrun = 1006,
    comEventCDTO = 1007,
    comEventRxOver = 1008,
    comEventRxParity = 1009,
    comEventTxFull = 1010,
    comEventDCB = 1011,
};

// The line and buffer settings the port is created with; only the port number changes later.
struct LineSettings {
    int baudRate = 1200;
    char parity = 'N';
    int dataBits = 8;
    int stopBits = 1;
    bool handshaking = false;
    bool dtrEnable = true;
    bool rtsEnable = false;
    int inBufferSize = 1024;
    int outBufferSize = 1024;
    int rThreshold = 1;
    int inputLen = 1;
    int sThreshold = 0;
    bool nullDiscard = false;
    bool eofEnable = false;
};

class SerialPort {
  public:
    virtual ~SerialPort() = default;

    int CommPort() const { return commPort_; }
    // Accepted while the port is closed; whether the port exists shows only when it opens.
    void SetCommPort(int port);

    bool PortOpen() const { return open_; }
    // Opens port CommPort or closes it. A failure throws StepError with a description for the
    // technician and leaves PortOpen as it was.
    void SetPortOpen(bool open);

    // Sends the bytes as they stand; each character's code is one byte. A failure throws
    // StepError.
    void Output(std::string_view bytes);

    // The two above with the failure answered instead of thrown, for the way of a received
    // value: it reopens the port and answers the device, and throws nothing.
    StepResult<void> TrySetPortOpen(bool open);
    StepResult<void> TryOutput(std::string_view bytes) {
        if (!open_) return StepResult<void>::Failed("Operation valid only when the port is open");
        // Defined here, so that it inlines into the line's answer to each poll.
        try {
            WriteDevice(bytes);
        } catch (const StepError& failure) {
            return StepResult<void>::Failed(failure.what());
        }
        return {};
    }

    const LineSettings& Settings() const { return settings_; }

    // Raised on the window's thread: OnReceive once per received byte, OnComm with the event
    // code once per line-status change or error. A handler that runs a nested event loop is
    // never re-entered: what arrives meanwhile is raised, in order, once the running handler
    // has returned.
    std::function<void(std::uint8_t byte)> OnReceive;
    std::function<void(int code)> OnComm;

    // Raised once when the device goes away while open (an adapter pulled out, the other end
    // of a line hung up). The port is already closed when it is raised.
    std::function<void(const std::string& description)> OnLost;

  protected:
    // An implementation reports a failure by throwing StepError, which the port turns into its
    // answer.
    virtual void OpenDevice(int port, const LineSettings& settings) = 0;  // throws StepError
    virtual void CloseDevice() = 0;                                       // throws StepError
    virtual void WriteDevice(std::string_view bytes) = 0;                 // throws StepError

    // For implementations: bytes read from the device, an event other than a receive, and
    // the loss of the device.
    void Received(std::string_view bytes);
    void Raise(int code);
    void Lost(const std::string& description);

  private:
    void Dispatch();

    // A received byte, or an event other than a receive.
    struct Event {
        int code;
        std::uint8_t byte;
    };

    LineSettings settings_;
    int commPort_ = 1;
    bool open_ = false;
    bool dispatching_ = false;
    std::deque<Event> pending_;
};

}  // namespace zelmar
