#include "device.h"

namespace zelmar::sim {

namespace {

// A single byte answer, or nothing when the programmer sent none or more than one.
std::optional<std::uint8_t> Single(std::span<const std::uint8_t> answer) {
    if (answer.size() != 1) return std::nullopt;
    return answer[0];
}

}  // namespace

Device::Device(ObjectTable table, DeviceFaults faults)
    : table_(table),
      faults_(faults),
      random_(faults.seed),
      faulty_links_left_(faults.first_byte ? faults.first_byte_links : 0) {}

void Device::LinkOpened() {
    phase_ = Phase::kLinkStart;
    noise_left_ = 0;
}

Emission Device::Send(Phase phase, std::uint8_t byte, bool awaits_answer) {
    phase_ = phase;
    return Emission{byte, awaits_answer};
}

Emission Device::StartLink() {
    if (faulty_links_left_ != 0) {
        if (faulty_links_left_ > 0) --faulty_links_left_;
        return Send(Phase::kFaultyFirst, *faults_.first_byte, false);
    }
    return Send(Phase::kFirstPoll, kPoll, false);
}

Emission Device::Idle() {
    return Send(Phase::kPoll, kPoll, true);
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
            noise_left_ = faults_.noise - 1;
            return Send(Phase::kNoise, NoiseByte(), false);
        }
        return Idle();
    }
    std::optional<std::uint8_t> command = Single(answer);
    if (command == kReadCommand) return Send(Phase::kReadHigh, kAddressPoll, true);
    if (command == kWriteCommand) return Send(Phase::kWriteHigh, kAddressPoll, true);
    ++irregularities_;
    return Idle();
}

void Device::Unanswered(std::span<const std::uint8_t> answer) {
    ++irregularities_;
    if (answer.empty() && !dropping_) ++missed_answers_;
}

Emission Device::AddressByte(std::span<const std::uint8_t> answer, Phase next) {
    std::optional<std::uint8_t> byte = Single(answer);
    bool high = phase_ == Phase::kReadHigh || phase_ == Phase::kWriteHigh;
    if (!byte || (high && *byte > kLastObject / 256)) {
        Unanswered(answer);
        return Idle();
    }
    if (high) {
        high_ = *byte;
        return Send(next, kAddressPoll, true);
    }
    object_ = high_ * 256 + *byte;
    if (next == Phase::kReadData) {
        ++data_bytes_sent_;
        return Send(next, table_[object_], false);
    }
    return Send(next, kAddressPoll, true);
}

Emission Device::Next(std::span<const std::uint8_t> answer) {
    dropping_ =
        faults_.drop_every > 0 && !answer.empty() && ++answers_seen_ % faults_.drop_every == 0;
    if (dropping_) {
        ++dropped_answers_;
        answer = {};
    }
    switch (phase_) {
        case Phase::kLinkStart:
            // Whatever arrived before the link's first byte answers nothing.
            return StartLink();
        case Phase::kFaultyFirst:
        case Phase::kFirstPoll:
        case Phase::kReadData:
        case Phase::kWriteEnd:
            if (!answer.empty()) ++irregularities_;
            return phase_ == Phase::kFirstPoll ? Idle() : Send(Phase::kFirstPoll, kPoll, false);
        case Phase::kPoll:
            return AfterIdlePoll(answer);
        case Phase::kNoise:
            if (!answer.empty()) ++irregularities_;
            if (noise_left_ > 0) {
                --noise_left_;
                return Send(Phase::kNoise, NoiseByte(), false);
            }
            return Idle();
        case Phase::kReadHigh:
            return AddressByte(answer, Phase::kReadLow);
        case Phase::kReadLow:
            return AddressByte(answer, Phase::kReadData);
        case Phase::kWriteHigh:
            return AddressByte(answer, Phase::kWriteLow);
        case Phase::kWriteLow:
            return AddressByte(answer, Phase::kWriteData);
        case Phase::kWriteData:
            if (std::optional<std::uint8_t> data = Single(answer)) {
                table_[object_] = faults_.miswrite_object == object_
                                      ? static_cast<std::uint8_t>(*data ^ 1)
                                      : *data;
                return Send(Phase::kWriteEnd, kAddressPoll, false);
            }
            Unanswered(answer);
            return Idle();
    }
    return Idle();
}

}  // namespace zelmar::sim
