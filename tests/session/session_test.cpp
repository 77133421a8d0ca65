// One command-line job in process: the session on an in-memory serial port, the simulated
// device on the line's other end, the clock in the test's hand. Each case is judged as a script
// and a technician would judge it: the exit status, the sentence, what the session reports per
// object, what went over the line, and the device's table afterwards.
#include "session/session.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/addressed_objects.h"
#include "support/device_line.h"
#include "support/memory_serial_port.h"

namespace zelmar::testing {
namespace {

// Every object holds a value of its own, never 0 and never a poll byte.
std::uint8_t StartValue(int object) {
    return static_cast<std::uint8_t>(object % 100 + 1);
}

sim::DeviceTable StartTable() {
    sim::DeviceTable table{};
    for (int object = 0; object < kObjectCount; ++object) table[object] = StartValue(object);
    return table;
}

std::vector<int> FromTo(int first, int last) {
    std::vector<int> objects;
    for (int object = first; object <= last; ++object) objects.push_back(object);
    return objects;
}

// ObjectEntry lists with each object's start value.
std::vector<ObjectEntry> AsStarted(const std::vector<int>& objects) {
    std::vector<ObjectEntry> entries;
    for (int object : objects) entries.push_back({object, StartValue(object)});
    return entries;
}

struct SessionCase {
    const char* name;
    Plan plan;
    sim::DeviceFaults faults;
    long answeredBytes;  // the device's bytes before it falls silent for good; -1: never
    Outcome outcome;
    const char* message;  // a part of the session's sentence; "" where it must say nothing
    std::vector<int> read, written;   // the objects addressed on the line, in order
    std::vector<ObjectEntry> values;  // what the session reports of the objects done
    std::map<int, int> changed;       // the device's entries that differ afterwards
};

class SessionTest : public ::testing::TestWithParam<SessionCase> {};

TEST_P(SessionTest, EndsWithItsStatusAndLeavesTheDeviceAsReported) {
    const SessionCase& c = GetParam();
    MemorySerialPort port;
    Session session(port, c.plan, {.port = 1, .portName = "/dev/ttyZelmar"});
    DeviceLine<> device([&](std::uint8_t received) { return port.Answer(received); }, StartTable(),
                        c.faults);
    const sim::DeviceTable before = device.table();

    // A byte takes about 8 ms at 1200 baud; the session's clock ticks on between bytes and goes
    // on while the device is silent, up to a minute.
    std::int64_t now = 0;
    session.Begin(now);
    for (long bytes = 0; !session.Finished() && now < 60000; now += 10) {
        if (c.answeredBytes < 0 || bytes++ < c.answeredBytes) device.Step();
        session.Tick(now);
    }

    ASSERT_TRUE(session.Finished());
    EXPECT_EQ(session.outcome(), c.outcome) << session.Message();
    if (*c.message) {
        EXPECT_NE(session.Message().find(c.message), std::string::npos) << session.Message();
    } else {
        EXPECT_EQ(session.Message(), "");
    }
    EXPECT_EQ(session.Values(), c.values);
    EXPECT_EQ(session.Done(), static_cast<int>(c.values.size()));
    EXPECT_EQ(session.Total(), static_cast<int>(c.plan.objects.size()));
    EXPECT_FALSE(port.PortOpen()) << "the session closes the port it opened";
    if (c.outcome == Outcome::BadInput) {
        EXPECT_TRUE(port.OpenedPorts().empty()) << "a refused plan never opens the port";
    }

    const Addressed addressed = AddressesOf(device.line);
    EXPECT_EQ(addressed.stray, "");
    EXPECT_EQ(addressed.read, c.read);
    EXPECT_EQ(addressed.written, c.written);
    std::map<int, int> changed;
    for (int object = 0; object < kObjectCount; ++object)
        if (device.table()[object] != before[object]) changed[object] = device.table()[object];
    EXPECT_EQ(changed, c.changed);
}

constexpr const char* kTwoEntries = "zelmar-objects 1\n3,33\n4,44\n";

INSTANTIATE_TEST_SUITE_P(
    Jobs, SessionTest,
    ::testing::Values(SessionCase{"ReadsItsSetAndNoOther",
                                  ReadPlan("8191,3-4"),
                                  {},
                                  -1,
                                  Outcome::Done,
                                  "",
                                  {3, 4, 8191},
                                  {},
                                  AsStarted({3, 4, 8191}),
                                  {}},
                      SessionCase{"ReadsASetOfRangesInAscendingOrder",
                                  ReadPlan("8190-8191,0,4-6"),
                                  {},
                                  -1,
                                  Outcome::Done,
                                  "",
                                  {0, 4, 5, 6, 8190, 8191},
                                  {},
                                  AsStarted({0, 4, 5, 6, 8190, 8191}),
                                  {}},
                      SessionCase{"WritesAndVerifiesByReadingBack",
                                  FilePlan(Task::Write, kTwoEntries, "two.zset", std::nullopt),
                                  {},
                                  -1,
                                  Outcome::Done,
                                  "",
                                  {3, 4},
                                  {3, 4},
                                  {{3, 33}, {4, 44}},
                                  {{3, 33}, {4, 44}}},
                      SessionCase{"AWriteThatReadsBackOtherwiseIsUnverified",
                                  FilePlan(Task::Write, kTwoEntries, "two.zset", std::nullopt),
                                  {.miswriteObject = 4},
                                  -1,
                                  Outcome::Unverified,
                                  "Object 4 reads back",
                                  {3, 4},
                                  {3, 4},
                                  {{3, 33}, {4, 44 ^ 1}},
                                  {{3, 33}, {4, 44 ^ 1}}},
                      SessionCase{"AVerifyReadsOnlyAndNamesWhatDiffers",
                                  FilePlan(Task::Verify, kTwoEntries, "two.zset", std::nullopt),
                                  {},
                                  -1,
                                  Outcome::Unverified,
                                  "Object 3 holds 4 where the file has 33",
                                  {3, 4},
                                  {},
                                  AsStarted({3, 4}),
                                  {}},
                      SessionCase{"ARefusedPlanSendsNothing",
                                  FilePlan(Task::Write, "zelmar-objects 1\n0,300\n", "bad.zset",
                                           std::nullopt),
                                  {},
                                  -1,
                                  Outcome::BadInput,
                                  "bad.zset",
                                  {},
                                  {},
                                  {},
                                  {}},
                      SessionCase{"ADeviceThatStopsAnsweringFailsTheJobKeepingWhatWasRead",
                                  ReadPlan("0-99"),
                                  {},
                                  60,
                                  Outcome::LineFailed,
                                  "The read on /dev/ttyZelmar stopped at object 12: the device did "
                                  "not finish its exchange after 3 attempts; 12 of 100 objects "
                                  "were read.",
                                  FromTo(0, 11),
                                  {},
                                  AsStarted(FromTo(0, 11)),
                                  {}},
                      SessionCase{"ADeviceThatNeverPollsIsGivenUpAfterItsSilence",
                                  ReadPlan("0-99"),
                                  {},
                                  0,
                                  Outcome::LineFailed,
                                  "The device on /dev/ttyZelmar sent nothing within 10 s; nothing "
                                  "was sent to it.",
                                  {},
                                  {},
                                  {},
                                  {}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zelmar::testing
