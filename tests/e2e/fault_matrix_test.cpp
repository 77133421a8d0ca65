// What the technician meets when the line misbehaves: a device that vanishes during a job, a
// port that cannot be opened, noise on the line, a device that keeps restarting. Each case
// checks what the window shows and that nothing already read or entered is lost.
#include <pty.h>
#include <sys/stat.h>

#include <QSerialPort>
#include <QTimer>
#include <array>
#include <fstream>
#include <optional>
#include <sstream>

#include "e2e/e2e_harness.h"

namespace zelmar::e2e {
namespace {

constexpr std::array<int, 17> kBuiltInSettings = {74, 3, 1, 5, 2, 7, 4, 6, 3,
                                                  0,  0, 0, 0, 0, 0, 0, 0};

// The technician's panel for the write cases, and the entries it encodes to.
constexpr std::array<const char*, 15> kRepeaterEntries = {"2", "3", "4", "5", "6", "7", "1", "0",
                                                          "1", "2", "3", "4", "5", "6", "7"};
constexpr std::array<int, 17> kEncoded = {3 * 32 + 12, 5, 2, 3, 4, 5, 6, 7, 1,
                                          0,           1, 2, 3, 4, 5, 6, 7};

void FillPanel(frmTerminal& w) {
    w.Text_Pac_Time.UserEdit("12");
    w.Combo1.SetListIndex(3);
    w.Combo2.SetListIndex(5);
    for (int n = 1; n <= 15; ++n) w.Text_R(n).UserEdit(kRepeaterEntries[n - 1]);
}

// One warning box, the program's caption, naming the device's path and the words given.
void ExpectOneWarning(const ProgramUnderTest& p, const std::string& path,
                      const std::string& words) {
    ASSERT_EQ(p.messages.shown.size(), 1u);
    const Message& box = p.messages.shown[0];
    EXPECT_EQ(box.icon, MessageIcon::Exclamation);
    EXPECT_EQ(box.caption, kAppTitle);
    EXPECT_NE(box.text.find(path), std::string::npos) << box.text;
    EXPECT_NE(box.text.find(words), std::string::npos) << box.text;
}

int OpenDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

// ---- The device vanishes in the middle of a job ----

enum class Job { kRead, kWrite };

struct VanishCase {
    const char* name;
    Job job;
    int dataBytesBeforeHangUp;  // data bytes of read exchanges, read-backs included
};

class DeviceVanishes : public EndToEndTest, public ::testing::WithParamInterface<VanishCase> {
  protected:
    // Starts the job of the case and waits for its end; false if the port went away.
    void RunJob(frmTerminal& w) {
        if (GetParam().job == Job::kRead) {
            w.Command2_Click();
        } else {
            w.Command3_Click();
            ASSERT_TRUE(w.line.state().WriteJob) << "the write was refused";
        }
        ASSERT_NE(w.line.state().LinkMode, kModeIdle);
        ASSERT_TRUE(WaitUntil(
            [&] { return w.line.state().LinkMode == kModeIdle || !w.MSComm1.PortOpen(); }));
    }
};

TEST_P(DeviceVanishes, TheClosedStateShowsOnceNothingIsLostAndAReconnectFinishesTheJob) {
    const VanishCase& c = GetParam();
    StartSimulator({"--hangup-after", std::to_string(c.dataBytesBeforeHangUp)});
    ProgramUnderTest& p = StartProgrammer();
    frmTerminal& w = p.form;
    if (c.job == Job::kWrite) FillPanel(w);
    ConnectAndSettle();
    RunJob(w);

    ASSERT_FALSE(w.MSComm1.PortOpen()) << "the job ended although the device hung up";
    RunEventLoopFor(300);  // whatever else the dead line raises comes now
    ExpectClosedState(p);
    ExpectOneWarning(p, LinkPath().string(), "lost");
    ASSERT_TRUE(WaitUntil([&] { return simulator_->Exited(); }));

    const std::vector<int> objects = SettingsObjects();
    const auto done = static_cast<std::size_t>(c.dataBytesBeforeHangUp);
    // The pane kept every entry that arrived, and no other.
    EXPECT_EQ(DataLineObjects(w.txtTerm.text()),
              std::vector<int>(objects.begin(), objects.begin() + c.dataBytesBeforeHangUp));
    if (c.job == Job::kRead) {
        for (std::size_t i = 0; i < objects.size(); ++i)
            EXPECT_EQ(w.line.table()[objects[i]], i < done ? kBuiltInSettings[i] : 0)
                << "object " << objects[i];
    } else {
        // The read-backs agree with the entries, and the entries not yet sent are kept.
        for (std::size_t i = 0; i < objects.size(); ++i)
            EXPECT_EQ(w.line.table()[objects[i]], kEncoded[i]) << "object " << objects[i];
        // The device took the entries before the hang-up and no others.
        std::vector<int> written(8192, -1);
        for (const auto& [object, value] : SavedTable()) written[object] = value;
        for (std::size_t i = 0; i < objects.size(); ++i)
            EXPECT_EQ(written[objects[i]], i < done ? kEncoded[i] : kBuiltInSettings[i])
                << "object " << objects[i];
    }

    // The device is back: the technician reconnects and runs the job again.
    StartSimulator({});
    ConnectAndSettle();
    RunJob(w);
    ASSERT_TRUE(w.MSComm1.PortOpen());
    EXPECT_EQ(p.messages.shown.size(), 1u);
    const std::array<int, 17>& expected = c.job == Job::kRead ? kBuiltInSettings : kEncoded;
    for (std::size_t i = 0; i < objects.size(); ++i)
        EXPECT_EQ(w.line.table()[objects[i]], expected[i]) << "object " << objects[i];
    if (c.job == Job::kWrite) {
        w.imgConnected_Click();
        ASSERT_EQ(simulator_->Stop(), 0);
        std::vector<int> written(8192, -1);
        for (const auto& [object, value] : SavedTable()) written[object] = value;
        for (std::size_t i = 0; i < objects.size(); ++i)
            EXPECT_EQ(written[objects[i]], kEncoded[i]) << "object " << objects[i];
    }
}

INSTANTIATE_TEST_SUITE_P(MidJob, DeviceVanishes,
                         ::testing::Values(VanishCase{"Read", Job::kRead, 3},
                                           VanishCase{"ReadNearTheEnd", Job::kRead, 16},
                                           VanishCase{"Write", Job::kWrite, 4}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- The port cannot be opened ----

// Drops to an ordinary user for as long as it lives, so that the device's permissions apply
// also where the tests run as root. The saved user stays root, so the way back is open.
class OrdinaryUser {
  public:
    static constexpr uid_t kNobody = 65534;
    OrdinaryUser() {
        if (::geteuid() != 0) return;  // ordinary already
        dropped_ = ::setresgid(kNobody, kNobody, 0) == 0 && ::setresuid(kNobody, kNobody, 0) == 0;
        failed_ = !dropped_;
    }
    ~OrdinaryUser() {
        if (::getuid() != 0 || ::geteuid() != 0) {
            if (::setresuid(0, 0, 0) != 0) std::abort();  // nothing after this would be sound
        }
        if (::getgid() != 0 || ::getegid() != 0) {
            if (::setresgid(0, 0, 0) != 0) std::abort();
        }
    }
    OrdinaryUser(const OrdinaryUser&) = delete;
    OrdinaryUser& operator=(const OrdinaryUser&) = delete;
    bool Failed() const { return failed_; }

  private:
    bool dropped_ = false;
    bool failed_ = false;
};

class PortRefused : public EndToEndTest {
  protected:
    // With a device behind the port now, the window connects and reads as if nothing had
    // happened, and the refusal stays the only box.
    void ExpectUsableAgain(const ProgramUnderTest& p) {
        ConnectAndSettle();
        ReadSettings();
        EXPECT_EQ(p.form.line.table()[0], kBuiltInSettings[0]);
        EXPECT_EQ(p.messages.shown.size(), 1u);
    }
};

// After the refusal the window is as before the attempt: closed, with COM 1 still chosen.
void ExpectAsBeforeTheAttempt(const ProgramUnderTest& p) {
    ExpectClosedState(p);
    EXPECT_FALSE(p.Widget(p.form.Frame2)->isEnabled());
    EXPECT_EQ(p.form.Option1(1).value(), 1);
    EXPECT_EQ(p.lampWatch.openingsShown, 0);
}

TEST_F(PortRefused, ADeviceThatDoesNotExistIsNamedAndTheWindowStaysUsable) {
    ProgramUnderTest& p = StartProgrammer();
    frmTerminal& w = p.form;
    const std::string missing = (dir_.path() / "ttyNowhere").string();
    qputenv("ZELMAR_COM1", QByteArray::fromStdString(missing));

    w.imgNotConnected_Click();

    ExpectOneWarning(p, missing, "does not exist");
    ExpectAsBeforeTheAttempt(p);
    StartSimulator({});
    ExpectUsableAgain(p);
}

TEST_F(PortRefused, ADeviceThatDeniesAccessIsNamedAndTheWindowStaysUsable) {
    int master = -1;
    int slave = -1;
    char name[256] = {};
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    ::close(slave);
    ASSERT_EQ(::chmod(name, 0), 0);
    ProgramUnderTest& p = StartProgrammer();
    frmTerminal& w = p.form;
    qputenv("ZELMAR_COM1", name);
    {
        OrdinaryUser user;
        if (user.Failed()) {
            ::close(master);
            GTEST_SKIP() << "running as root without the right to become an ordinary user, "
                            "for whom a device's permissions apply";
        }
        w.imgNotConnected_Click();
    }
    ::close(master);

    ExpectOneWarning(p, name, "denied");
    ExpectAsBeforeTheAttempt(p);
    StartSimulator({});
    ExpectUsableAgain(p);
}

TEST_F(PortRefused, ADeviceHeldByAnotherProgramIsNamedAndTheWindowStaysUsable) {
    StartSimulator({});
    // Another program with the port open, on the terms serial programs use among themselves.
    auto holder = std::make_unique<QSerialPort>(QString::fromStdString(LinkPath().string()));
    ASSERT_TRUE(holder->open(QIODevice::ReadWrite)) << holder->errorString().toStdString();
    ProgramUnderTest& p = StartProgrammer();
    frmTerminal& w = p.form;

    w.imgNotConnected_Click();

    // Named by the device the link leads to, whichever name either program chose.
    ExpectOneWarning(p, "COM 1 (" + fs::canonical(LinkPath()).string() + ")",
                     "is in use by another program");
    ExpectAsBeforeTheAttempt(p);
    holder.reset();  // that program ends
    ExpectUsableAgain(p);
}

// ---- Noise on the line ----

struct NoiseCase {
    const char* name;
    int bytesAfterEachIdlePoll;
    int seed;
    int dropEvery = 0;  // every n-th answer lost on the way; 0: none
};

class NoisyLine : public EndToEndTest, public ::testing::WithParamInterface<NoiseCase> {};

TEST_P(NoisyLine, TheProgramOnlyEverAnswersPollsAndKeepsGoing) {
    const NoiseCase& c = GetParam();
    std::vector<std::string> flags{"--noise", std::to_string(c.bytesAfterEachIdlePoll), "--seed",
                                   std::to_string(c.seed)};
    if (c.dropEvery > 0) {
        flags.push_back("--drop-answers");
        flags.push_back(std::to_string(c.dropEvery));
    }
    StartSimulator(flags);
    ProgramUnderTest& p = StartProgrammer();
    frmTerminal& w = p.form;
    ConnectAndSettle();

    RunEventLoopFor(1500);  // idle, with noise between the polls
    ASSERT_TRUE(w.MSComm1.PortOpen())
        << (p.messages.shown.empty() ? std::string("no box") : p.messages.shown[0].text);
    // A read under noise, and answers lost on the way: the noise is only logged, a lost answer
    // starts the same object's exchange again, and the image ends up as the device holds it.
    w.Command2_Click();
    ASSERT_TRUE(
        WaitUntil([&] { return w.line.state().LinkMode == kModeIdle || !w.MSComm1.PortOpen(); }));
    ASSERT_TRUE(w.MSComm1.PortOpen());
    EXPECT_EQ(DataLineObjects(w.txtTerm.text()), SettingsObjects());
    for (std::size_t i = 0; i < SettingsObjects().size(); ++i)
        EXPECT_EQ(w.line.table()[SettingsObjects()[i]], kBuiltInSettings[i]) << i;
    RunEventLoopFor(1000);  // idle again

    EXPECT_TRUE(w.MSComm1.PortOpen());
    EXPECT_TRUE(p.messages.shown.empty()) << p.messages.shown[0].text;
    w.imgConnected_Click();
    ASSERT_EQ(simulator_->Stop(), 0);
    const std::vector<Traffic> traffic = TrafficSoFar();
    EXPECT_EQ(FirstUnpromptedByte(traffic), "");
    // The noise did reach the program: bytes that are no poll were sent while idle.
    long noise = 0;
    for (const Traffic& t : traffic)
        if (t.kind == Traffic::kSent && t.byte != 172 && t.byte != 202) ++noise;
    EXPECT_GT(noise, 17);
}

INSTANTIATE_TEST_SUITE_P(IdleAndDuringAJob, NoisyLine,
                         ::testing::Values(NoiseCase{"OneByte", 1, 1}, NoiseCase{"Bursts", 8, 7},
                                           NoiseCase{"Floods", 40, 1234},
                                           NoiseCase{"BurstsAndLostAnswers", 3, 5, 7}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- A device that restarts after every opening ----

class RepeatedRestarts : public EndToEndTest, public ::testing::WithParamInterface<int> {};

TEST_P(RepeatedRestarts, ItKeepsReopeningUntilThePollComesThenWorksAndLeaksNoDescriptor) {
    const int restarts = GetParam();
    StartSimulator({"--first-byte", "202", "--first-byte-links", std::to_string(restarts)});
    ProgramUnderTest& p = StartProgrammer();
    frmTerminal& w = p.form;
    // Whatever Qt sets up once, on the first opening, is not a leak; count from after it.
    const int before = OpenDescriptors();

    w.imgNotConnected_Click();
    ASSERT_TRUE(w.MSComm1.PortOpen());
    ASSERT_TRUE(WaitUntil([&] { return testing::StatusLamp(p.form) == 0 && w.MSComm1.PortOpen(); }))
        << "no idle poll after " << p.lampWatch.openingsShown << " openings";
    EXPECT_TRUE(p.messages.shown.empty());
    ReadSettings();
    for (std::size_t i = 0; i < SettingsObjects().size(); ++i)
        EXPECT_EQ(w.line.table()[SettingsObjects()[i]], kBuiltInSettings[i]);

    // Every restart the device made came through as a reopening of the program's own.
    const std::vector<Traffic> traffic = TrafficSoFar();
    int faultyFirsts = 0;
    for (std::size_t i = 1; i < traffic.size(); ++i)
        if (traffic[i - 1].kind == Traffic::kNote && traffic[i].kind == Traffic::kSent &&
            traffic[i].byte == 202)
            ++faultyFirsts;
    // The device notices a reopening only by watching its end of the line, and a quick close
    // and open can slip past it; so it may make fewer restarts than asked, never more. Each
    // one it made costs one reopening at most: a faulty first byte that reaches the line
    // before the program's opening has finished goes with the buffers the opening empties.
    EXPECT_GE(faultyFirsts, 1);
    EXPECT_LE(faultyFirsts, restarts);
    EXPECT_LE(p.lampWatch.openingsShown, faultyFirsts + 1);
    EXPECT_EQ(FirstUnpromptedByte(traffic), "");

    w.imgConnected_Click();
    ASSERT_FALSE(w.MSComm1.PortOpen());
    EXPECT_EQ(OpenDescriptors(), before);
}

INSTANTIATE_TEST_SUITE_P(Times, RepeatedRestarts, ::testing::Values(1, 3, 5));

TEST_F(EndToEndTest, ADeviceThatNeverStartsInStepIsGivenUpAfterFiveReopenings) {
    StartSimulator({"--first-byte", "202"});
    ProgramUnderTest& p = StartProgrammer();
    frmTerminal& w = p.form;
    w.imgNotConnected_Click();
    ASSERT_TRUE(WaitUntil([&] { return !w.MSComm1.PortOpen(); }));
    EXPECT_TRUE(w.imgNotConnected.IsInFront());
    const Message told{
        "The device on COM 1 does not start its dialogue with 172: check the "
        "device type, the cable and the baud rate.",
        MessageIcon::Exclamation, "Zelmar prg"};
    EXPECT_EQ(p.messages.shown, std::vector<Message>{told});
    EXPECT_LE(p.lampWatch.openingsShown, 1 + Line::kReopenings);
}

// ---- A failure box open while the device goes on sending ----

// The values the pane shows, one a line, as the numbers the device sent.
std::vector<int> PaneValues(const std::string& pane) {
    std::vector<int> values;
    std::istringstream in(pane);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) values.push_back(std::stoi(line));
    }
    return values;
}

// The bytes the device sent since the program last opened the line.
std::vector<int> SentSinceOpening(const std::vector<Traffic>& traffic) {
    std::vector<int> sent;
    for (const Traffic& t : traffic) {
        if (t.kind == Traffic::kNote && t.note.find("opened") != std::string::npos) sent.clear();
        if (t.kind == Traffic::kSent) sent.push_back(t.byte);
    }
    return sent;
}

TEST_F(EndToEndTest, BytesArrivingWhileABoxIsOpenAreAllHandledInOrderWhenItCloses) {
    // A repeat delay the panel has no choice for: the end of the read reports it in a box.
    const fs::path table = dir_.path() / "delay9.txt";
    std::ofstream(table) << "8176 9\n";
    StartSimulator({"--table", table.string()});
    ProgramUnderTest& p = StartProgrammer();
    frmTerminal& w = p.form;
    w.Check1.SetValue(0);  // every value in the pane, polls too, so the pane tells what was handled
    ConnectAndSettle();

    std::size_t sentWhileOpen = 0;
    std::size_t sentAtClose = 0;
    std::optional<std::string> paneAfterwards;
    p.messages.whileOpen = [&](const Message&) {
        // The box stays open until the device has sent more and the port has read it.
        const std::size_t atOpen = SentSinceOpening(TrafficSoFar()).size();
        ASSERT_TRUE(
            WaitUntil([&] { return SentSinceOpening(TrafficSoFar()).size() >= atOpen + 3; }));
        QTest::qWait(100);
        sentAtClose = SentSinceOpening(TrafficSoFar()).size();
        sentWhileOpen = sentAtClose - atOpen;
        // Looks at the pane at the first turn of the event loop after the box has gone: no
        // further byte is needed by then for those that came while it was open.
        QTimer::singleShot(0, [&] { paneAfterwards = w.txtTerm.text(); });
    };
    ReadSettings();
    ASSERT_TRUE(WaitUntil([&] { return paneAfterwards.has_value(); }));

    ASSERT_EQ(p.messages.shown.size(), 1u);
    EXPECT_EQ(p.messages.shown[0].icon, MessageIcon::None);
    EXPECT_GE(sentWhileOpen, 3u);
    const std::vector<int> sent = SentSinceOpening(TrafficSoFar());
    const std::vector<int> shown = PaneValues(*paneAfterwards);
    ASSERT_GE(shown.size(), sentAtClose) << "values sent while the box was open were left behind";
    EXPECT_TRUE(
        std::equal(sent.begin(), sent.begin() + static_cast<long>(sentAtClose), shown.begin()))
        << "handled out of order or not at all";
    // And the link goes on: the device's next polls are answered by a new read.
    ReadSettings();
    EXPECT_EQ(w.line.table()[8176], 9);
}

}  // namespace
}  // namespace zelmar::e2e
