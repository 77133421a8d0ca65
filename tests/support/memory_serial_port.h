#pragma once
// A serial port that lives in memory: what the window sends is recorded, what the device
// says is fed in by the caller. Tests, benchmarks and the fuzzers drive the window with it.
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ports/serial_port.h"

namespace zelmar {

class MemorySerialPort : public SerialPort {
  public:
    // Bytes the device sends; raised as receive events on the spot.
    void Feed(std::string_view bytes) { Received(bytes); }
    void FeedByte(unsigned char byte) {
        Received(std::string_view(reinterpret_cast<char*>(&byte), 1));
    }
    void FeedEvent(int code) { Raise(code); }
    // One byte from the device, and what was sent in answer: the port as the programmer a
    // device line drives.
    std::string Answer(std::uint8_t byte) {
        FeedByte(byte);
        return TakeSent();
    }
    // Bytes from the device one by one, and everything sent in answer.
    std::string Exchange(std::initializer_list<int> bytes) {
        for (int byte : bytes) FeedByte(static_cast<unsigned char>(byte));
        return TakeSent();
    }
    void Vanish(const std::string& description) { Lost(description); }

    // The next open or close fails with this description.
    void FailNextOpen(std::string description) { openFailure_ = std::move(description); }
    void FailNextClose(std::string description) { closeFailure_ = std::move(description); }

    // Everything written since the last TakeSent, and the ports opened so far.
    std::string TakeSent() { return std::exchange(sent_, {}); }
    const std::string& Sent() const { return sent_; }
    const std::vector<int>& OpenedPorts() const { return openedPorts_; }
    int CloseCount() const { return closeCount_; }

  protected:
    void OpenDevice(int port, const LineSettings&) override;
    void CloseDevice() override;
    void WriteDevice(std::string_view bytes) override { sent_.append(bytes); }

  private:
    std::optional<std::string> openFailure_;
    std::optional<std::string> closeFailure_;
    std::string sent_;
    std::vector<int> openedPorts_;
    int closeCount_ = 0;
};

}  // namespace zelmar
