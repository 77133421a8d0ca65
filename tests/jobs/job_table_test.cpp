// Every way the job control is asked for a job (the client area's starts, the Jobs dialog's
// range and list) against the objects it addresses on the simulated device: each job walks
// exactly its objects, ends after the last, and never counts past its total.
#include <gtest/gtest.h>

#include <functional>

#include "jobs/job_control.h"
#include "jobs/objects_request.h"
#include "link/line.h"
#include "support/addressed_objects.h"
#include "support/device_line.h"
#include "support/memory_serial_port.h"
#include "support/plain_job_form.h"

namespace zelmar::testing {
namespace {

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

class JobTableTest : public ::testing::Test, public ::testing::WithParamInterface<JobCase> {
  public:
    void SetUp() override {
        line.Toggle();
        ASSERT_TRUE(port.PortOpen());
        for (int object = 0; object < kObjectCount; ++object)
            device.table()[object] = static_cast<std::uint8_t>(object % 100 + 1);
        device.device().LinkOpened();
        device.Step();  // the first poll keeps the link
    }

    // The Jobs dialog's job, as the frame builds it once the dialog accepted.
    void Dialog(Direction direction, const std::vector<int>& objects) {
        for (int object : objects) table.Set(object, static_cast<std::uint8_t>(object % 7));
        ASSERT_TRUE(jobs.StartJob({direction, ObjectsOf(objects), JobOrigin::ObjectsDialog}));
    }
    void Range(const char* first, const char* last, Direction direction = Direction::Read) {
        const ObjectRequest request = ObjectRange(first, last);
        ASSERT_EQ(request.error, "");
        Dialog(direction, request.objects);
    }

    MemorySerialPort port;
    Line line{port};
    PlainJobForm form;
    JobControl jobs{line, form};
    ObjectTable& table = line.table();
    DeviceLine<> device{[this](std::uint8_t received) { return port.Answer(received); }};
};

TEST_P(JobTableTest, AddressesItsObjectsAndEndsAfterTheLast) {
    const JobCase& c = GetParam();
    const sim::DeviceTable before = device.table();
    c.start(*this);
    ASSERT_TRUE(device.RunUntil(
        [&] {
            EXPECT_LE(jobs.Done(), jobs.Total()) << jobs.StatusText();
            return !line.Busy();
        },
        200000));
    device.RunUntil([] { return false; }, 50);  // the device polls on: nothing more answered
    const Addressed addressed = AddressesOf(device.line);
    EXPECT_EQ(addressed.stray, "");
    EXPECT_EQ(addressed.read, c.objects);
    EXPECT_EQ(addressed.written, c.write ? c.objects : std::vector<int>{});
    EXPECT_EQ(line.report().outcome, JobReport::Outcome::Finished);
    EXPECT_EQ(jobs.Done(), static_cast<int>(c.objects.size()));
    EXPECT_EQ(jobs.Total(), static_cast<int>(c.objects.size()));
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
    JobCase{"SettingsRead", [](JobTableTest& t) { t.jobs.ReadSettings(); }, SettingsPlus({0})},
    JobCase{"ReadRangeOverTheListStartsAtOne", [](JobTableTest& t) {
                t.jobs.StartRange(Frame::Read); }, SettingsPlus({1})},
    JobCase{"WriteRangeOverTheList", [](JobTableTest& t) {
                t.jobs.StartRange(Frame::Write); }, SettingsPlus({0}), true},
    // Once past the list's end into object 0 without end: a list (sorted as text, as the list
    // box keeps it) whose entries never name the end stops at its last.
    JobCase{"ReadSettingsOverAListWithoutItsEnd", [](JobTableTest& t) {
                t.form.list = {"5", "7", "9"};
                t.form.listTick = 2;  // grey: the boxes stay, the walk takes the list
                t.form.start[0] = "5";
                t.form.end[0] = "8";
                t.jobs.ReadSettings(); }, {5, 7, 9}},
    // Once a walk past the end counting up without end.
    JobCase{"ReadSettingsStartBeyondEnd", [](JobTableTest& t) {
                t.form.listTick = 0;
                t.form.start[0] = "10";
                t.form.end[0] = "5";
                t.jobs.ReadSettings(); }, {10}},
    JobCase{"DialogReadRange", [](JobTableTest& t) { t.Range("1", "300"); }, FromTo(1, 300)},
    JobCase{"DialogWriteRange", [](JobTableTest& t) { t.Range("100", "110", Direction::Write); },
            FromTo(100, 110), true},
    JobCase{"DialogRangeFromZero", [](JobTableTest& t) { t.Range("0", "5"); }, FromTo(0, 5)},
    // Once sorted as text, which read only object 10.
    JobCase{"DialogList", [](JobTableTest& t) {
                t.Dialog(Direction::Read, ObjectsOfList({"200", "5", "300", "10", "15", "5"})); },
            {5, 10, 15, 200, 300}}),
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

}  // namespace
}  // namespace zelmar::testing
