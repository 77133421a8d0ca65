// The programmer end to end: connect, read and write the settings, a device restart and a
// device that hangs up, through the window's handlers and through the widgets themselves.
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <array>

#include "e2e/e2e_harness.h"
#include "files/object_file.h"
#include "widgets/terminal_pane.h"

namespace zelmar::e2e {
namespace {

// What the simulator's built-in table holds in the settings objects, as the panel shows it.
constexpr const char* kBuiltInRepeaters[15] = {"1", "5", "2", "7", "4", "6", "3", "0",
                                               "0", "0", "0", "0", "0", "0", "0"};
constexpr int kBuiltInSettings[17] = {74, 3, 1, 5, 2, 7, 4, 6, 3, 0, 0, 0, 0, 0, 0, 0, 0};

std::vector<std::string> BuiltInSettingsLines() {
    std::vector<std::string> lines;
    const std::vector<int> objects = SettingsObjects();
    for (std::size_t i = 0; i < objects.size(); ++i)
        lines.push_back(std::to_string(kBuiltInSettings[i]) + " - " + std::to_string(objects[i]));
    return lines;
}

void ExpectBuiltInSettingsShown(const frmTerminal& w) {
    EXPECT_EQ(w.Text_Pac_Time.text(), "10");
    EXPECT_EQ(w.Combo1.text(), "20 msec");
    EXPECT_EQ(w.Combo1.listIndex(), 2);
    EXPECT_EQ(w.Combo2.text(), "3 sec");
    EXPECT_EQ(w.Combo2.listIndex(), 3);
    for (int n = 1; n <= 15; ++n)
        EXPECT_EQ(w.Text_R(n).text(), kBuiltInRepeaters[n - 1]) << "R" << n;
}

void ExpectBuiltInSettingsInImage(const frmTerminal& w) {
    const std::vector<int> objects = SettingsObjects();
    for (std::size_t i = 0; i < objects.size(); ++i)
        EXPECT_EQ(w.line.table()[objects[i]], kBuiltInSettings[i]) << "object " << objects[i];
}

using ProgrammerEndToEnd = EndToEndTest;

TEST_F(ProgrammerEndToEnd, SettingsReadShowsTheDevicesSettingsInPanelPaneAndImage) {
    StartSimulator({});
    ProgramUnderTest& p = StartProgrammer();
    frmTerminal& w = p.form;
    ConnectAndSettle();
    EXPECT_TRUE(w.imgConnected.IsInFront());

    ReadSettings();

    ExpectBuiltInSettingsShown(w);
    ExpectBuiltInSettingsInImage(w);
    EXPECT_EQ(DataLines(w.txtTerm.text()), BuiltInSettingsLines());
    EXPECT_TRUE(p.messages.shown.empty());
    const std::vector<Traffic> traffic = TrafficSoFar();
    EXPECT_EQ(ProgrammerBytes(traffic), ReadJobBytes(SettingsObjects()));
    EXPECT_EQ(FirstUnpromptedByte(traffic), "");
}

TEST_F(ProgrammerEndToEnd, SettingsWriteStoresTheEncodedEntriesAndReadsThemBack) {
    StartSimulator({});
    ProgramUnderTest& p = StartProgrammer();
    frmTerminal& w = p.form;
    ConnectAndSettle();

    // The technician's entries, as the view hands them over; "2.5" rounds to the even 2.
    const std::array<const char*, 15> repeaters = {"7",  "6",   "5", "4", "3", "2", "1",  "0",
                                                   "12", "2.5", "3", "0", "9", "1", "255"};
    w.Text_Pac_Time.UserEdit("7");
    w.Combo1.SetListIndex(4);  // "100 msec"
    w.Combo2.SetListIndex(1);  // "1 sec"
    for (int n = 1; n <= 15; ++n) w.Text_R(n).UserEdit(repeaters[n - 1]);
    const std::vector<int> entries = {4 * 32 + 7, 1,  7, 6, 5, 4, 3, 2,  1,
                                      0,          12, 2, 3, 0, 9, 1, 255};

    w.Command3_Click();
    ASSERT_TRUE(w.line.state().WriteJob) << "the write did not start";
    ASSERT_TRUE(
        WaitUntil([&] { return w.line.state().LinkMode == kModeIdle || !w.MSComm1.PortOpen(); }));
    ASSERT_TRUE(w.MSComm1.PortOpen());
    EXPECT_FALSE(w.line.state().WriteJob);
    EXPECT_TRUE(p.messages.shown.empty());

    // The image holds what the device reported back, and the pane shows each read-back.
    const std::vector<int> objects = SettingsObjects();
    std::vector<std::string> expectedLines;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        EXPECT_EQ(w.line.table()[objects[i]], entries[i]) << "object " << objects[i];
        expectedLines.push_back(std::to_string(entries[i]) + " - " + std::to_string(objects[i]));
    }
    EXPECT_EQ(DataLines(w.txtTerm.text()), expectedLines);
    // The panel is decoded again from the read-back.
    EXPECT_EQ(w.Text_R(10).text(), "2");
    EXPECT_EQ(w.Combo1.text(), "100 msec");
    EXPECT_EQ(w.Text_Pac_Time.text(), "7");

    const std::vector<Traffic> traffic = TrafficSoFar();
    EXPECT_EQ(ProgrammerBytes(traffic), WriteJobBytes(objects, entries));
    EXPECT_EQ(FirstUnpromptedByte(traffic), "");

    // The device's table: the settings as encoded, every ordinary object untouched.
    w.imgConnected_Click();
    ASSERT_FALSE(w.MSComm1.PortOpen());
    ASSERT_EQ(simulator_->Stop(), 0);
    const auto saved = SavedTable();
    ASSERT_EQ(saved.size(), 8192u);
    for (const auto& [object, value] : saved) {
        int expected = object % 128;
        for (std::size_t i = 0; i < objects.size(); ++i)
            if (objects[i] == object) expected = entries[i];
        EXPECT_EQ(value, expected) << "object " << object;
    }
}

TEST_F(ProgrammerEndToEnd, ASettingsFileLoadedAndWrittenIsVerifiedInTheStatus) {
    StartSimulator({});
    ProgramUnderTest& p = StartProgrammer();
    frmTerminal& w = p.form;
    ConnectAndSettle();

    // A file as a technician keeps it: the settings of another device, edited by hand.
    const ObjectFileContent file = ParseObjectFile(
        "zelmar-objects 1\n# from the workshop's reference device\n0,135  # packet time 7\n"
        "8176,2\n8177,6  # R1\n8178,5\n8179,4\n8180,3\n8181,2\n8182,1\n8183,0\n8184,7\n"
        "8185,6\n8186,5\n8187,4\n8188,3\n8189,2\n8190,1\n8191,0\n");
    ASSERT_FALSE(file.error) << file.error->message;
    ObjectTable fromFile = w.line.table();
    for (const ObjectEntry& entry : file.entries) fromFile.Set(entry.object, entry.value);
    w.ShowSettingsOf(fromFile);
    EXPECT_EQ(w.line.table()[8177], 0) << "loading fills the panel only";

    w.Command3_Click();
    ASSERT_TRUE(
        WaitUntil([&] { return w.line.state().LinkMode == kModeIdle || !w.MSComm1.PortOpen(); }));
    EXPECT_EQ(w.jobs.StatusText(), "Settings written and verified: 17 of 17");
    for (const ObjectEntry& entry : file.entries)
        EXPECT_EQ(w.line.table()[entry.object], entry.value) << entry.object;
    EXPECT_TRUE(p.messages.shown.empty());
}

TEST_F(ProgrammerEndToEnd, AFirstValueOtherThanThePollMakesItReopenAndThenWork) {
    StartSimulator({"--first-byte", "202", "--first-byte-links", "1"});
    ProgramUnderTest& p = StartProgrammer();
    frmTerminal& w = p.form;
    // A connect alone leaves the pane as it is; only the restart empties it.
    w.txtTerm.SetText("from before\r\n");

    ConnectAndSettle();
    ASSERT_TRUE(WaitUntil([&] { return testing::StatusLamp(p.form) == 0; }))
        << "no idle poll arrived";
    EXPECT_EQ(w.txtTerm.text().find("from before"), std::string::npos);
    EXPECT_EQ(p.lampWatch.openingsShown, 2) << "the technician's opening and the restart";
    EXPECT_TRUE(w.imgConnected.IsInFront());
    EXPECT_TRUE(p.messages.shown.empty());

    ReadSettings();
    ExpectBuiltInSettingsShown(w);
    ExpectBuiltInSettingsInImage(w);
    const std::vector<Traffic> traffic = TrafficSoFar();
    ASSERT_FALSE(traffic.empty());
    EXPECT_EQ(ProgrammerBytes(traffic), ReadJobBytes(SettingsObjects()));
    EXPECT_EQ(FirstUnpromptedByte(traffic), "");
}

TEST_F(ProgrammerEndToEnd, ADeviceThatHangsUpMidReadLeavesTheReadDataAndAllowsAReconnect) {
    StartSimulator({"--hangup-after", "5"});
    ProgramUnderTest& p = StartProgrammer();
    frmTerminal& w = p.form;
    ConnectAndSettle();
    w.Command2_Click();

    ASSERT_TRUE(WaitUntil([&] { return !w.MSComm1.PortOpen(); })) << "the loss went unnoticed";
    EventCounter counter;
    RunEventLoopFor(300);
    // An idle loop delivers a handful of events here; a dead descriptor that keeps being
    // watched would deliver thousands.
    EXPECT_LT(counter.all, 300);
    EXPECT_LT(counter.socket, 10);

    ExpectClosedState(p);
    ASSERT_EQ(p.messages.shown.size(), 1u);
    EXPECT_EQ(p.messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(p.messages.shown[0].caption, kAppTitle);
    EXPECT_NE(p.messages.shown[0].text.find(LinkPath().string()), std::string::npos)
        << p.messages.shown[0].text;
    // The five entries that arrived stay; the rest of the image was never touched.
    const std::vector<std::string> lines = DataLines(w.txtTerm.text());
    const std::vector<std::string> all = BuiltInSettingsLines();
    EXPECT_EQ(lines, std::vector<std::string>(all.begin(), all.begin() + 5));
    EXPECT_EQ(w.line.table()[0], 74);
    EXPECT_EQ(w.line.table()[8176], 3);
    EXPECT_EQ(w.line.table()[8177], 1);
    EXPECT_EQ(w.line.table()[8178], 5);
    EXPECT_EQ(w.line.table()[8179], 2);
    EXPECT_EQ(w.line.table()[8180], 0);
    EXPECT_TRUE(WaitUntil([&] { return simulator_->Exited(); }));

    // A fresh device at the same place: the technician connects again and reads.
    StartSimulator({});
    ConnectAndSettle();
    EXPECT_TRUE(w.imgConnected.IsInFront());
    EXPECT_TRUE(w.Frame2.enabled());
    ReadSettings();
    ExpectBuiltInSettingsShown(w);
    ExpectBuiltInSettingsInImage(w);
    EXPECT_EQ(p.messages.shown.size(), 1u);
}

// The center of a widget, in its own coordinates.
QPoint Middle(const QWidget* widget) {
    return widget->rect().center();
}

// The widget the user sees at a control's place: the one in front of its siblings.
QWidget* SeenAt(const ProgramUnderTest& p, const Control& control) {
    QWidget* widget = p.Widget(control);
    return widget->parentWidget()->childAt(widget->geometry().center());
}

TEST_F(ProgrammerEndToEnd, TheWidgetsDriveConnectReadWriteAndDisconnect) {
    StartSimulator({});
    ProgramUnderTest& p = StartProgrammer();
    frmTerminal& w = p.form;
    p.formView.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&p.formView));

    ASSERT_EQ(SeenAt(p, w.imgNotConnected), p.Widget(w.imgNotConnected));
    QTest::mouseClick(p.Widget(w.imgNotConnected), Qt::LeftButton, {},
                      Middle(p.Widget(w.imgNotConnected)));
    ASSERT_TRUE(w.MSComm1.PortOpen());
    EXPECT_EQ(SeenAt(p, w.imgConnected), p.Widget(w.imgConnected));
    ASSERT_TRUE(WaitUntil([&] { return !w.line.state().JustConnected; }));

    auto* read = qobject_cast<QPushButton*>(p.Widget(w.Command2));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->text(), "Read");
    QTest::mouseClick(read, Qt::LeftButton);
    ASSERT_EQ(w.line.state().LinkMode, kModeRead) << "the click did not start the read";
    ASSERT_TRUE(WaitUntil([&] { return w.line.state().LinkMode == kModeIdle; }));

    auto* pane = static_cast<TerminalPane*>(p.Widget(w.txtTerm));
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->Text().toStdString(), w.txtTerm.text());
    EXPECT_EQ(DataLines(w.txtTerm.text()), BuiltInSettingsLines());
    auto* packetTime = qobject_cast<QLineEdit*>(p.Widget(w.Text_Pac_Time));
    ASSERT_NE(packetTime, nullptr);
    EXPECT_EQ(packetTime->text(), "10");
    auto* sendDelay = qobject_cast<QComboBox*>(p.Widget(w.Combo1));
    ASSERT_NE(sendDelay, nullptr);
    EXPECT_EQ(sendDelay->currentText(), "20 msec");

    // The technician types a new R1 and writes.
    auto* r1 = qobject_cast<QLineEdit*>(p.Widget(w.Text_R(1)));
    ASSERT_NE(r1, nullptr);
    r1->setFocus();
    r1->selectAll();
    QTest::keyClicks(r1, "6");
    ASSERT_EQ(w.Text_R(1).text(), "6");
    auto* write = qobject_cast<QPushButton*>(p.Widget(w.Command3));
    ASSERT_NE(write, nullptr);
    QTest::mouseClick(write, Qt::LeftButton);
    ASSERT_TRUE(w.line.state().WriteJob) << "the click did not start the write";
    ASSERT_TRUE(WaitUntil([&] { return w.line.state().LinkMode == kModeIdle; }));
    EXPECT_EQ(w.line.table()[8177], 6);
    EXPECT_EQ(r1->text(), "6");
    EXPECT_EQ(pane->Text().toStdString(), w.txtTerm.text());

    std::vector<int> entries(std::begin(kBuiltInSettings), std::end(kBuiltInSettings));
    entries[2] = 6;
    const std::vector<Traffic> traffic = TrafficSoFar();
    std::vector<int> expected = ReadJobBytes(SettingsObjects());
    const std::vector<int> writing = WriteJobBytes(SettingsObjects(), entries);
    expected.insert(expected.end(), writing.begin(), writing.end());
    EXPECT_EQ(ProgrammerBytes(traffic), expected);

    QTest::mouseClick(p.Widget(w.imgConnected), Qt::LeftButton, {},
                      Middle(p.Widget(w.imgConnected)));
    ExpectClosedState(p);
    EXPECT_EQ(SeenAt(p, w.imgNotConnected), p.Widget(w.imgNotConnected));
    EXPECT_TRUE(p.messages.shown.empty());
}

}  // namespace
}  // namespace zelmar::e2e
