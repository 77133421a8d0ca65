// The device's side of the dialogue, driven byte by byte as a programmer would drive it.
#include "device.h"

#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace zelmar::sim {

void PrintTo(const Emission& emission, std::ostream* out) {
    *out << static_cast<int>(emission.byte) << (emission.awaitsAnswer ? " awaiting" : "");
}

namespace {

using Bytes = std::vector<std::uint8_t>;

// One turn of the line: what the programmer sent since the device's last byte, and the byte
// (with its answer wait) the device must send next.
struct Turn {
    Bytes answer;
    Emission expected;
};

constexpr Emission kFirstPoll{kPoll, false};
constexpr Emission kIdlePoll{kPoll, true};
constexpr Emission kAddressRequest{kAddressPoll, true};
constexpr Emission kClosingPoll{kAddressPoll, false};

Bytes High(int object) {
    return {static_cast<std::uint8_t>(object / 256)};
}
Bytes Low(int object) {
    return {static_cast<std::uint8_t>(object % 256)};
}

// A table in which the objects under test hold values that no default or zero entry has.
DeviceTable MarkedTable() {
    DeviceTable table{};
    table[0] = 74;
    table[8176] = 3;
    table[8180] = 6;
    table[8191] = 201;
    table[300] = 172;
    return table;
}

void Play(Device& device, const std::vector<Turn>& turns) {
    for (std::size_t i = 0; i < turns.size(); ++i) {
        Emission sent = device.Next(turns[i].answer);
        EXPECT_EQ(sent.byte, turns[i].expected.byte) << "turn " << i;
        EXPECT_EQ(sent.awaitsAnswer, turns[i].expected.awaitsAnswer) << "turn " << i;
    }
}

std::vector<Turn> ReadExchange(int object, std::uint8_t data) {
    return {{{}, kFirstPoll},
            {{}, kIdlePoll},
            {{kReadCommand}, kAddressRequest},
            {High(object), kAddressRequest},
            {Low(object), Emission{data, false}}};
}

std::vector<Turn> WriteExchange(int object, std::uint8_t data) {
    return {{{}, kFirstPoll},
            {{}, kIdlePoll},
            {{kWriteCommand}, kAddressRequest},
            {High(object), kAddressRequest},
            {Low(object), kAddressRequest},
            {{data}, kClosingPoll}};
}

struct ReadCase {
    int object;
    std::uint8_t data;
};

class SimReadExchangeTest : public testing::TestWithParam<ReadCase> {};

TEST_P(SimReadExchangeTest, SendsTheEntryAfterCommandAndAddress) {
    Device device(MarkedTable());
    Play(device, ReadExchange(GetParam().object, GetParam().data));
    EXPECT_EQ(device.DataBytesSent(), 1);
    EXPECT_EQ(device.Irregularities(), 0);
    // The exchange is over: the next poll is the one no programmer answers.
    EXPECT_EQ(device.Next({}), kFirstPoll);
}

TEST_P(SimReadExchangeTest, ReadsTheSameObjectAgainAfterIdlePolls) {
    Device device(MarkedTable());
    Play(device, ReadExchange(GetParam().object, GetParam().data));
    std::vector<Turn> again = ReadExchange(GetParam().object, GetParam().data);
    // A programmer without a job lets several polls pass before it starts the next read.
    again.insert(again.begin() + 2, {{{}, kIdlePoll}, {{}, kIdlePoll}});
    Play(device, again);
    EXPECT_EQ(device.DataBytesSent(), 2);
}

INSTANTIATE_TEST_SUITE_P(SettingsAndOrdinary, SimReadExchangeTest,
                         testing::Values(ReadCase{0, 74}, ReadCase{8176, 3}, ReadCase{8180, 6},
                                         ReadCase{8191, 201}, ReadCase{300, 172}, ReadCase{5, 0}),
                         [](const testing::TestParamInfo<ReadCase>& info) {
                             return "Object" + std::to_string(info.param.object);
                         });

struct WriteCase {
    int object;
    std::uint8_t data;
};

class SimWriteExchangeTest : public testing::TestWithParam<WriteCase> {};

TEST_P(SimWriteExchangeTest, StoresTheByteAndReportsItOnReadBack) {
    const auto [object, data] = GetParam();
    Device device(MarkedTable());
    std::vector<Turn> turns = WriteExchange(object, data);
    std::vector<Turn> readBack = ReadExchange(object, data);
    turns.insert(turns.end(), readBack.begin(), readBack.end());
    Play(device, turns);

    DeviceTable expected = MarkedTable();
    expected[object] = data;
    EXPECT_EQ(device.Table(), expected);
    EXPECT_EQ(device.Irregularities(), 0);
}

TEST(SimDeviceMiswrite, OnlyTheNamedObjectStoresAnotherValue) {
    Device device(MarkedTable(), DeviceFaults{.miswriteObject = 8180});
    Play(device, WriteExchange(8180, 6));
    Play(device, WriteExchange(8181, 6));
    EXPECT_EQ(device.Table()[8180], 7);
    EXPECT_EQ(device.Table()[8181], 6);
}

INSTANTIATE_TEST_SUITE_P(Objects, SimWriteExchangeTest,
                         testing::Values(WriteCase{0, 0xA5}, WriteCase{8176, 7},
                                         WriteCase{8191, 202}, WriteCase{256, 172},
                                         WriteCase{8180, 0}),
                         [](const testing::TestParamInfo<WriteCase>& info) {
                             return "Object" + std::to_string(info.param.object);
                         });

TEST(SimDeviceIdle, KeepsPollingWhileNobodyAnswers) {
    Device device(MarkedTable());
    std::vector<Turn> turns{{{}, kFirstPoll}};
    turns.insert(turns.end(), 20, Turn{{}, kIdlePoll});
    Play(device, turns);
    EXPECT_EQ(device.Irregularities(), 0);
    EXPECT_EQ(device.MissedAnswers(), 0);
    EXPECT_EQ(device.DataBytesSent(), 0);
}

// A dialogue that goes wrong at its last turn: the device must fall back to idle polling, note
// the irregularity, change no entry, and still serve a proper read right after.
struct FaultCase {
    const char* name;
    std::vector<Turn> leadIn;
    Bytes badAnswer;
};

class SimWrongAnswerTest : public testing::TestWithParam<FaultCase> {};

TEST_P(SimWrongAnswerTest, ReturnsToIdlePolling) {
    Device device(MarkedTable());
    Play(device, GetParam().leadIn);
    EXPECT_EQ(device.Next(GetParam().badAnswer), kIdlePoll);
    EXPECT_EQ(device.Irregularities(), 1);
    // Only silence counts as a missed answer; a wrong one was on time.
    EXPECT_EQ(device.MissedAnswers(), GetParam().badAnswer.empty() ? 1 : 0);
    EXPECT_EQ(device.Table(), MarkedTable());

    Play(device, {{{kReadCommand}, kAddressRequest},
                  {High(8191), kAddressRequest},
                  {Low(8191), Emission{201, false}}});
}

std::vector<Turn> UpTo(std::vector<Turn> turns, std::size_t count) {
    turns.resize(count);
    return turns;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SimWrongAnswerTest,
    testing::Values(FaultCase{"UnknownCommand", UpTo(ReadExchange(0, 74), 2), {0x33}},
                    FaultCase{"PollAsCommand", UpTo(ReadExchange(0, 74), 2), {kPoll}},
                    FaultCase{
                        "TwoCommands", UpTo(ReadExchange(0, 74), 2), {kReadCommand, kReadCommand}},
                    FaultCase{"ReadHighMissing", UpTo(ReadExchange(0, 74), 3), {}},
                    FaultCase{"ReadHighBeyondTable", UpTo(ReadExchange(0, 74), 3), {32}},
                    FaultCase{"ReadHighTwice", UpTo(ReadExchange(0, 74), 3), {0, 0}},
                    FaultCase{"ReadLowMissing", UpTo(ReadExchange(8191, 201), 4), {}},
                    FaultCase{"WriteHighMissing", UpTo(WriteExchange(0, 1), 3), {}},
                    FaultCase{"WriteHighBeyondTable", UpTo(WriteExchange(0, 1), 3), {255}},
                    FaultCase{"WriteLowMissing", UpTo(WriteExchange(5, 1), 4), {}},
                    FaultCase{"WriteDataMissing", UpTo(WriteExchange(5, 1), 5), {}},
                    FaultCase{"WriteDataTwice", UpTo(WriteExchange(5, 1), 5), {9, 9}}),
    [](const testing::TestParamInfo<FaultCase>& info) { return info.param.name; });

// Polls a programmer in step leaves unanswered: an answer there is noted but does not start
// an exchange, and the device carries on as if none had come.
struct UnansweredCase {
    const char* name;
    std::vector<Turn> leadIn;
    Emission after;
};

class SimUnansweredPollTest : public testing::TestWithParam<UnansweredCase> {};

TEST_P(SimUnansweredPollTest, AnswerIsIrregularAndIgnored) {
    Device device(MarkedTable());
    Play(device, GetParam().leadIn);
    EXPECT_EQ(device.Next(Bytes{kReadCommand}), GetParam().after);
    EXPECT_EQ(device.Irregularities(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Polls, SimUnansweredPollTest,
    testing::Values(UnansweredCase{"FirstPollOfTheLink", UpTo(ReadExchange(0, 74), 1), kIdlePoll},
                    UnansweredCase{"AfterTheDataByte", ReadExchange(0, 74), kFirstPoll},
                    UnansweredCase{"AfterTheClosingPoll", WriteExchange(9, 9), kFirstPoll}),
    [](const testing::TestParamInfo<UnansweredCase>& info) { return info.param.name; });

TEST(SimDeviceDrop, ALostAnswerIsCountedAsDroppedNotMissed) {
    Device device(MarkedTable(), DeviceFaults{.dropEvery = 2});
    // The command is the first answer and passes; the high address byte is the second and is lost.
    Play(device, UpTo(ReadExchange(8191, 201), 3));
    EXPECT_EQ(device.Next(High(8191)), kIdlePoll);
    EXPECT_EQ(device.DroppedAnswers(), 1);
    EXPECT_EQ(device.MissedAnswers(), 0);
    EXPECT_EQ(device.Next({}), kIdlePoll);
    EXPECT_EQ(device.DroppedAnswers(), 1);
}

TEST(SimDeviceLink, ReopeningAbandonsTheExchangeUnderWay) {
    Device device(MarkedTable());
    Play(device, UpTo(WriteExchange(5, 99), 5));
    device.LinkOpened();
    // The data byte of the abandoned write arrives late: it belongs to no exchange now.
    Play(device, {{{99}, kFirstPoll}, {{}, kIdlePoll}});
    EXPECT_EQ(device.Table(), MarkedTable());
}

struct FirstByteCase {
    int links;                 // DeviceFaults::firstByteLinks
    std::vector<bool> faulty;  // whether each successive link opens with the faulty byte
};

class SimFirstByteTest : public testing::TestWithParam<FirstByteCase> {};

TEST_P(SimFirstByteTest, ReplacesTheFirstPollOfTheFaultyLinks) {
    Device device(MarkedTable(), DeviceFaults{202, GetParam().links});
    for (std::size_t link = 0; link < GetParam().faulty.size(); ++link) {
        if (link > 0) device.LinkOpened();
        std::vector<Turn> turns{{{}, kFirstPoll}, {{}, kIdlePoll}};
        if (GetParam().faulty[link]) turns.insert(turns.begin(), Turn{{}, {202, false}});
        SCOPED_TRACE("link " + std::to_string(link));
        Play(device, turns);
    }
}

INSTANTIATE_TEST_SUITE_P(Links, SimFirstByteTest,
                         testing::Values(FirstByteCase{-1, {true, true, true}},
                                         FirstByteCase{1, {true, false, false}},
                                         FirstByteCase{2, {true, true, false}}),
                         [](const testing::TestParamInfo<FirstByteCase>& info) {
                             return info.param.links < 0
                                        ? std::string("EveryLink")
                                        : "First" + std::to_string(info.param.links);
                         });

TEST(SimDeviceNoise, FollowsEveryUnansweredIdlePollAndIsNeverAPoll) {
    constexpr int kNoise = 3;
    Device device(MarkedTable(), DeviceFaults{std::nullopt, -1, kNoise, 7});
    Play(device, {{{}, kFirstPoll}, {{}, kIdlePoll}});
    std::set<int> seen;
    for (int round = 0; round < 300; ++round) {
        for (int i = 0; i < kNoise; ++i) {
            Emission noise = device.Next({});
            ASSERT_FALSE(noise.awaitsAnswer);
            ASSERT_NE(noise.byte, kPoll);
            ASSERT_NE(noise.byte, kAddressPoll);
            seen.insert(noise.byte);
        }
        ASSERT_EQ(device.Next({}), kIdlePoll) << "round " << round;
    }
    // 900 draws over 254 values: a working generator covers most of them.
    EXPECT_GT(seen.size(), 200u);
    // A read still goes through once the programmer answers a poll.
    Play(device, {{{kReadCommand}, kAddressRequest},
                  {High(8180), kAddressRequest},
                  {Low(8180), Emission{6, false}}});
}

std::vector<std::uint8_t> NoiseSequence(std::uint32_t seed) {
    Device device(MarkedTable(), DeviceFaults{std::nullopt, -1, 1, seed});
    device.Next({});
    device.Next({});
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < 32; ++i) {
        bytes.push_back(device.Next({}).byte);
        device.Next({});
    }
    return bytes;
}

TEST(SimDeviceNoise, SeedDecidesTheSequence) {
    EXPECT_EQ(NoiseSequence(11), NoiseSequence(11));
    EXPECT_NE(NoiseSequence(11), NoiseSequence(12));
}

}  // namespace
}  // namespace zelmar::sim
