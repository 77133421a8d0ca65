#include "device.h"

namespace zelmar::sim {

namespace {

// A single byte answer, or nothing when the programmer sent none or more than one.
std::optional<std::uint8_t> Single(std::span<const std::uint8_t> answer) {
    if (answer.size() != 1) return std::nullopt;
    return answer[0];
}

}  // namespace

Device::Device(DeviceTable table, DeviceFaults faults)
    : table_(table),
      faults_(faults),
      random_(faults.seed),
      faultyLinksLeft_(faults.firstByte ? faults.firstByteLinks : 0) {}

void Device::LinkOpened() {
    phase_ = Phase::LinkStart;
    noiseLeft_ = 0;
}

Emission Device::Send(Phase phase, std::uint8_t byte, bool awaitsAnswer) {
    phase_ = phase;
    return Emission{byte, awaitsAnswer};
}

Emission Device::StartLink() {
    if (faultyLinksLeft_ != 0) {
        if (faultyLinksLeft_ > 0) --faultyLinksLeft_;
        return Send(Phase::FaultyFirst, *faults_.firstByte, false);
    }
    return Send(Phase::FirstPoll, kPoll, false);
}

Emission Device::Idle() {
    return Send(Phase::Poll, kPoll, true);
}

std::uint8_t Device::NoiseByte() {
    // 254 values: every byte but the two polls, spread evenly.
    auto value = static_cast<unsigned>(random_() % 254);
    if (value >= kPoll) ++value;
    if (value >= kAddressPoll) ++value;
    return static_cast<std::uint8_t>(value);
}

Emission Device::AfterIdlePoll(std::span<const std::uint8_t> answer) {
    if (answer.empty()) {
        if (faults_.noise > 0) {
            noiseLeft_ = faults_.noise - 1;
            return Send(Phase::Noise, NoiseByte(), false);
        }
        return Idle();
    }
    std::optional<std::uint8_t> command = Single(answer);
    if (command == kReadCommand) return Send(Phase::ReadHigh, kAddressPoll, true);
    if (command == kWriteCommand) return Send(Phase::WriteHigh, kAddressPoll, true);
    ++irregularities_;
    return Idle();
}

void Device::Unanswered(std::span<const std::uint8_t> answer) {
    ++irregularities_;
    if (answer.empty() && !dropping_) ++missedAnswers_;
}

Emission Device::AddressByte(std::span<const std::uint8_t> answer, Phase next) {
    std::optional<std::uint8_t> byte = Single(answer);
    bool high = phase_ == Phase::ReadHigh || phase_ == Phase::WriteHigh;
    if (!byte || (high && *byte > kLastObject / 256)) {
        Unanswered(answer);
        return Idle();
    }
    if (high) {
        high_ = *byte;
        return Send(next, kAddressPoll, true);
    }
    object_ = high_ * 256 + *byte;
    if (next == Phase::ReadData) {
        ++dataBytesSent_;
        return Send(next, table_[object_], false);
    }
    return Send(next, kAddressPoll, true);
}

Emission Device::Next(std::span<const std::uint8_t> answer) {
    dropping_ = faults_.dropEvery > 0 && !answer.empty() && ++answersSeen_ % faults_.dropEvery == 0;
    if (dropping_) {
        ++droppedAnswers_;
        answer = {};
    }
    switch (phase_) {
        case Phase::LinkStart:
            // Whatever arrived before the link's first byte answers nothing.
            return StartLink();
        case Phase::FaultyFirst:
        case Phase::FirstPoll:
        case Phase::ReadData:
        case Phase::WriteEnd:
            if (!answer.empty()) ++irregularities_;
            return phase_ == Phase::FirstPoll ? Idle() : Send(Phase::FirstPoll, kPoll, false);
        case Phase::Poll:
            return AfterIdlePoll(answer);
        case Phase::Noise:
            if (!answer.empty()) ++irregularities_;
            if (noiseLeft_ > 0) {
                --noiseLeft_;
                return Send(Phase::Noise, NoiseByte(), false);
            }
            return Idle();
        case Phase::ReadHigh:
            return AddressByte(answer, Phase::ReadLow);
        case Phase::ReadLow:
            return AddressByte(answer, Phase::ReadData);
        case Phase::WriteHigh:
            return AddressByte(answer, Phase::WriteLow);
        case Phase::WriteLow:
            return AddressByte(answer, Phase::WriteData);
        case Phase::WriteData:
            if (std::optional<std::uint8_t> data = Single(answer)) {
                table_[object_] = faults_.miswriteObject == object_
                                      ? static_cast<std::uint8_t>(*data ^ 1)
                                      : *data;
                return Send(Phase::WriteEnd, kAddressPoll, false);
            }
            Unanswered(answer);
            return Idle();
    }
    return Idle();
}

}  // namespace zelmar::sim
