#pragma once
// The device's side of the serial dialogue as a pure state machine: no clock, no port. The I/O
// loop asks it for the next byte to send, handing over whatever the programmer sent since the
// previous byte (nothing when the answer window passed in silence), and honours its wish to wait
// for an answer or not.
//
// What the device sends, with the programmer's expected answers:
//
//   read of object N                       write of object N
//   172        (no answer)                 172        (no answer)
//   172     -> 0x55                        172     -> 0xAA
//   202     -> N div 256 (0..31)           202     -> N div 256 (0..31)
//   202     -> N mod 256                   202     -> N mod 256
//   data byte of N (no answer)             202     -> data byte D, stored at N
//                                          202        (no answer)
//
// Between exchanges the device polls 172 and waits for an answer after each one. The first 172
// after the link starts and after every exchange is an exception: a programmer in step never
// answers it, so the device does not wait there and counts an answer to it as unexpected. Any
// unexpected answer, or silence where an answer is due, sends the device back to idle polling.
#include <cstdint>
#include <optional>
#include <random>
#include <span>

#include "device_table.h"

namespace zelmar::sim {

// The device's own copy of the protocol's bytes, kept apart from the programmer's on purpose: the
// simulator is an independent witness of the dialogue, so a slip on one side does not pass
// unseen on both.
inline constexpr std::uint8_t kPoll = 172;           // 0xAC
inline constexpr std::uint8_t kAddressPoll = 202;    // 0xCA
inline constexpr std::uint8_t kReadCommand = 0x55;   // 85
inline constexpr std::uint8_t kWriteCommand = 0xAA;  // 170

// Deliberate misbehaviour, so that a programmer's handling of a faulty line can be tested.
struct DeviceFaults {
    // Sent instead of the first 172 of a link (see Device::LinkOpened).
    std::optional<std::uint8_t> firstByte{};
    // How many links get the faulty first byte; negative means every one.
    int firstByteLinks = -1;
    // Bytes that are neither 172 nor 202, sent after every idle poll left unanswered.
    int noise = 0;
    std::uint32_t seed = 1;
    // Every dropEvery-th answer is lost on the way (0: none), so the device meets silence.
    int dropEvery = 0;
    // A write of this object stores another value than the one sent, as a failing cell would.
    std::optional<int> miswriteObject{};
};

// One byte for the line, and whether the device waits for the programmer's answer to it.
struct Emission {
    std::uint8_t byte;
    bool awaitsAnswer;
    bool operator==(const Emission&) const = default;
};

class Device {
  public:
    // Where the device stands, named after the last byte it sent.
    enum class Phase {
        LinkStart,    // nothing sent on this link yet
        FaultyFirst,  // sent the faulty first byte
        FirstPoll,    // sent the 172 that no programmer answers
        Poll,         // sent an idle 172 that may be answered with a command
        Noise,        // sent a noise byte
        ReadHigh,     // read: sent 202 for the high address byte
        ReadLow,      // read: sent 202 for the low address byte
        ReadData,     // read: sent the data byte
        WriteHigh,    // write: sent 202 for the high address byte
        WriteLow,     // write: sent 202 for the low address byte
        WriteData,    // write: sent 202 for the data byte
        WriteEnd,     // write: sent the closing 202
    };

    explicit Device(DeviceTable table, DeviceFaults faults = {});

    // The next byte to send. `answer` holds every byte that arrived since the previous one.
    Emission Next(std::span<const std::uint8_t> answer);

    // A programmer has (re)opened the line: start over as after power-on, with the first-byte
    // fault if it still applies. Any exchange under way is abandoned.
    void LinkOpened();

    const DeviceTable& Table() const { return table_; }
    // For tests and benchmarks that set a scene or change an entry between exchanges.
    DeviceTable& Table() { return table_; }
    Phase CurrentPhase() const { return phase_; }
    // Data bytes of read exchanges sent so far.
    long DataBytesSent() const { return dataBytesSent_; }
    // Answers that did not fit the exchange, and answers missing where one was due.
    long Irregularities() const { return irregularities_; }
    // Silence where an exchange under way was owed an answer (an address byte or a write's
    // data). An idle poll's silence is not among them: the device cannot tell a programmer
    // that has no job from one that is too slow, so a slow answer there shows as late instead.
    // Answers lost by the drop fault are the line's doing and are not counted either.
    long MissedAnswers() const { return missedAnswers_; }
    // Answers lost on the way by the drop fault.
    long DroppedAnswers() const { return droppedAnswers_; }

  private:
    Emission Send(Phase phase, std::uint8_t byte, bool awaitsAnswer);
    Emission StartLink();
    Emission Idle();
    Emission AfterIdlePoll(std::span<const std::uint8_t> answer);
    // Counts an answer that is wrong or missing where the exchange was owed one.
    void Unanswered(std::span<const std::uint8_t> answer);
    Emission AddressByte(std::span<const std::uint8_t> answer, Phase next);
    std::uint8_t NoiseByte();

    DeviceTable table_;
    DeviceFaults faults_;
    std::mt19937 random_;
    Phase phase_ = Phase::LinkStart;
    int faultyLinksLeft_;
    int noiseLeft_ = 0;
    int high_ = 0;    // high address byte of the exchange under way
    int object_ = 0;  // object number of the exchange under way
    long dataBytesSent_ = 0;
    long irregularities_ = 0;
    long missedAnswers_ = 0;
    long droppedAnswers_ = 0;
    long answersSeen_ = 0;
    bool dropping_ = false;  // the answer in hand was lost by the drop fault
};

}  // namespace zelmar::sim
