// Every way a job is asked for (the client area's buttons, the Jobs dialog's range and list, the
// command line's set) against the objects it addresses on the simulated device: each job
// walks exactly its objects, ends after the last, and never counts past its total.
#include <gtest/gtest.h>

#include <functional>

#include "jobs/objects_request.h"
#include "session/object_set.h"
#include "session/session.h"
#include "support/device_line.h"
#include "support/window_fixture.h"

namespace zelmar::testing {
namespace {

// The objects the programmer's answers address, in order: each read command and each write
// command with the address bytes after it. A read that is repeated at once (a data byte of 172
// is read twice) counts once.
struct Addressed {
    std::vector<int> read, written;
};

Addressed AddressesOf(const std::string& answers) {
    Addressed addressed;
    for (std::size_t i = 0; i + 2 < answers.size();) {
        const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(answers[at]); };
        const int object = byte(i + 1) * 256 + byte(i + 2);
        if (byte(i) == 0x55) {
            if (addressed.read.empty() || addressed.read.back() != object)
                addressed.read.push_back(object);
            i += 3;
        } else if (byte(i) == 0xAA) {
            addressed.written.push_back(object);
            i += 4;
        } else {
            ADD_FAILURE() << "stray answer byte " << int{byte(i)} << " at " << i;
            return addressed;
        }
    }
    return addressed;
}

std::vector<int> FromTo(int first, int last) {
    std::vector<int> objects;
    for (int object = first; object <= last; ++object) objects.push_back(object);
    return objects;
}

std::vector<int> SettingsPlus(std::vector<int> first) {
    for (int object = 8176; object <= 8191; ++object) first.push_back(object);
    return first;
}

class JobTableTest;

struct JobCase {
    const char* name;
    std::function<void(JobTableTest&)> start;
    std::vector<int> objects;  // what the job must address, in order
    bool write = false;
};

class JobTableTest : public WindowTest, public ::testing::WithParamInterface<JobCase> {
  public:
    void SetUp() override {
        WindowTest::SetUp();
        Connect();
        for (int object = 0; object < kObjectCount; ++object)
            device.table()[object] = static_cast<std::uint8_t>(object % 100 + 1);
        device.device().LinkOpened();
        device.Step();  // the first poll keeps the link
    }

    // The Jobs dialog's job, as the frame builds it once the dialog accepted.
    void Dialog(Direction direction, const std::vector<int>& objects) {
        for (int object : objects) table.Set(object, static_cast<std::uint8_t>(object % 7));
        ASSERT_TRUE(window.StartJob({direction, ObjectsOf(objects), JobOrigin::ObjectsDialog}));
    }
    void Range(const char* first, const char* last, Direction direction = Direction::Read) {
        const ObjectRequest request = ObjectRange(first, last);
        ASSERT_EQ(request.error, "");
        Dialog(direction, request.objects);
    }

    frmTerminal& Window() { return window; }

    DeviceLine<> device{[this](std::uint8_t received) {
        port.FeedByte(received);
        return port.TakeSent();
    }};
};

TEST_P(JobTableTest, AddressesItsObjectsAndEndsAfterTheLast) {
    const JobCase& c = GetParam();
    const sim::DeviceTable before = device.table();
    c.start(*this);
    ASSERT_TRUE(device.RunUntil(
        [&] {
            EXPECT_LE(window.jobs.Done(), window.jobs.Total()) << window.jobs.StatusText();
            return !window.line.Busy();
        },
        200000));
    device.RunUntil([] { return false; }, 50);  // the device polls on: nothing more answered
    const Addressed addressed = AddressesOf(device.line);
    EXPECT_EQ(addressed.read, c.objects);
    EXPECT_EQ(addressed.written, c.write ? c.objects : std::vector<int>{});
    EXPECT_EQ(window.line.report().outcome, JobReport::Outcome::Finished);
    EXPECT_EQ(window.jobs.Done(), static_cast<int>(c.objects.size()));
    EXPECT_EQ(window.jobs.Total(), static_cast<int>(c.objects.size()));
    for (int object = 0; object < kObjectCount; ++object) {
        const bool walked =
            std::find(c.objects.begin(), c.objects.end(), object) != c.objects.end();
        if (!c.write || !walked) {
            ASSERT_EQ(device.table()[object], before[object]) << "object " << object;
        }
        if (walked) {
            ASSERT_EQ(table[object], device.table()[object]) << "object " << object;
        }
    }
    EXPECT_EQ(device.device().Irregularities(), 0);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Starts, JobTableTest, ::testing::Values(
    JobCase{"SettingsRead", [](JobTableTest& t) { t.Window().Command2.UserClick(); },
            SettingsPlus({0})},
    JobCase{"ReadOptionOverTheListStartsAtOne", [](JobTableTest& t) {
                t.Window().Option2(1).UserClick(); }, SettingsPlus({1})},
    JobCase{"WriteOptionOverTheList", [](JobTableTest& t) {
                t.Window().Option3(1).UserClick(); }, SettingsPlus({0}), true},
    // Once past the list's end into object 0 without end: a list (sorted as text, as the list
    // box keeps it) whose entries never name the end stops at its last.
    JobCase{"ReadButtonOverAListWithoutItsEnd", [](JobTableTest& t) {
                t.Window().List1.SetItems({"5", "9", "7"});
                t.Window().Check4.SetValue(2);  // grey: the boxes stay, the walk takes the list
                t.Window().Text1.SetText("5");
                t.Window().Text2.SetText("8");
                t.Window().Command2.UserClick(); }, {5, 7, 9}},
    // Once a walk past the end counting up without end.
    JobCase{"ReadButtonStartBeyondEnd", [](JobTableTest& t) {
                t.Window().Check4.SetValue(0);
                t.Window().Text1.SetText("10");
                t.Window().Text2.SetText("5");
                t.Window().Command2.UserClick(); }, {10}},
    JobCase{"DialogReadRange", [](JobTableTest& t) { t.Range("1", "300"); }, FromTo(1, 300)},
    JobCase{"DialogWriteRange", [](JobTableTest& t) { t.Range("100", "110", Direction::Write); },
            FromTo(100, 110), true},
    JobCase{"DialogRangeFromZero", [](JobTableTest& t) { t.Range("0", "5"); }, FromTo(0, 5)},
    // Once sorted as text, which read only object 10.
    JobCase{"DialogList", [](JobTableTest& t) {
                t.Dialog(Direction::Read, ObjectsOfList({"200", "5", "300", "10", "15", "5"})); },
            {5, 10, 15, 200, 300}},
    JobCase{"CommandLineSet", [](JobTableTest& t) {
                t.Dialog(Direction::Read, ParseObjectSet("8190-8191,0,4-6").objects); },
            {0, 4, 5, 6, 8190, 8191}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// The dialog refuses what names no object, and says why, before any job exists.
TEST(ObjectRangeTest, RefusesWhatNamesNoObject) {
    for (auto [first, last] : {std::pair{"abc", "5"},
                               {"9000", "9100"},
                               {"300", "100"},
                               {"", "5"},
                               {"1.5", "3"},
                               {"-1", "3"}}) {
        const ObjectRequest request = ObjectRange(first, last);
        EXPECT_TRUE(request.objects.empty()) << first << "-" << last;
        EXPECT_NE(request.error, "") << first << "-" << last;
    }
    EXPECT_EQ(ObjectRange("300", "100").error, "The first object, 300, is above the last, 100.");
    EXPECT_EQ(ObjectRange("abc", "5").error,
              "Objects are whole numbers from 0 to 8191; \"abc\" is not one.");
    EXPECT_EQ(ObjectRange(" 8191", "8191 ").objects, std::vector<int>{8191});
}

TEST(NeverReadQuestionTest, NamesTheObjectsInRuns) {
    ObjectTable table;
    for (int object : {301, 302}) table.Set(object, 9);
    const std::vector<int> unknown = UnknownObjects(table, FromTo(299, 305));
    EXPECT_EQ(unknown, (std::vector<int>{299, 300, 303, 304, 305}));
    EXPECT_EQ(NeverReadQuestion(unknown),
              "Objects 299, 300 and 303 to 305 were never read or loaded: the device would get 0 "
              "for each. Write them anyway?");
    EXPECT_EQ(NeverReadQuestion({7}),
              "Object 7 was never read or loaded: the device would get 0 for it. Write it anyway?");
}

// A job from the command line, through the session on its own line component.
TEST(SessionJobTest, ReadsItsSetAndNoOther) {
    MemorySerialPort port;
    Session session(port, ReadPlan("8191,3-4"), {});
    DeviceLine<> device{[&](std::uint8_t received) {
        port.FeedByte(received);
        return port.TakeSent();
    }};
    for (auto [object, value] : {std::pair{3, 33}, {4, 44}, {8191, 91}})
        device.table()[object] = static_cast<std::uint8_t>(value);
    session.Begin(0);
    ASSERT_TRUE(device.RunUntil([&] { return session.Finished(); }, 10000));
    EXPECT_EQ(session.outcome(), Outcome::Done) << session.Message();
    EXPECT_EQ(AddressesOf(device.line).read, (std::vector<int>{3, 4, 8191}));
    EXPECT_EQ(session.Values(), (std::vector<ObjectEntry>{{3, 33}, {4, 44}, {8191, 91}}));
}

}  // namespace
}  // namespace zelmar::testing
