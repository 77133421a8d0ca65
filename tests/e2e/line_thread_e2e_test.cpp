// The program as it runs, with its line on a thread of its own, against the simulator: jobs
// started, stopped and ended from the window while bytes arrive, the device lost in the middle
// of a job, the window closed in the middle of one.
#include <filesystem>

#include "e2e_harness.h"
#include "program/programmer.h"

namespace zelmar::e2e {
namespace {

// The names of the process's threads, as the system shows them.
std::vector<std::string> ThreadNames() {
    std::vector<std::string> names;
    for (const auto& task : fs::directory_iterator("/proc/self/task")) {
        std::string name = ReadFile(task.path() / "comm");
        if (!name.empty() && name.back() == '\n') name.pop_back();
        names.push_back(name);
    }
    return names;
}

bool HasLineThread() {
    const std::vector<std::string> names = ThreadNames();
    return std::find(names.begin(), names.end(), "line") != names.end();
}

class LineThreadEndToEnd : public EndToEndTest {
  protected:
    // The window as the program builds it, on the simulator behind COM 1, connected and
    // polled, every value shown in the pane.
    Programmer& Open() {
        window_ = std::make_unique<Programmer>(ProgramOptions{.messageBox = &boxes});
        frmTerminal& w = window_->form;
        const LineHold hold;
        w.Check1.SetValue(0);
        w.imgNotConnected_Click();
        EXPECT_TRUE(w.MSComm1.PortOpen());
        return *window_;
    }

    // `condition` read while holding the line, as the window reads it.
    static bool WaitHeld(const std::function<bool()>& condition) {
        return WaitUntil([&] {
            const LineHold hold;
            return condition();
        });
    }

    void Start(int first, int last) {
        const LineHold hold;
        ASSERT_TRUE(window_->form.StartJob(
            {Direction::Read, ObjectsFromTo(first, last), JobOrigin::ObjectsDialog}));
    }

    void TearDown() override {
        window_.reset();
        // The system lets a thread go a moment after Qt has seen it end.
        EXPECT_TRUE(WaitUntil([] { return !HasLineThread(); }))
            << "the line thread outlived its window";
    }

    testing::RecordingMessageBox boxes;
    std::unique_ptr<Programmer> window_;
};

TEST_F(LineThreadEndToEnd, JobsStartStopAndEndFromTheWindowWhileBytesArrive) {
    StartSimulator({});
    frmTerminal& w = Open().form;
    EXPECT_TRUE(HasLineThread());
    Start(0, 99);
    ASSERT_TRUE(WaitHeld([&] { return !w.line.Busy(); }));
    Start(0, 8191);
    ASSERT_TRUE(WaitHeld([&] { return w.line.state().ObjectsDone >= 20; }));
    {
        const LineHold hold;
        w.StopJob();
    }
    ASSERT_TRUE(WaitHeld([&] { return !w.line.Busy(); }));

    // The line parked, the window takes what is queued, within a batch's rest: the pane ends
    // as the record of every value the line took, line for line.
    std::string record, pane;
    JobReport report;
    {
        const LineHold hold;
        w.line.traffic()->WriteTo([&](std::string_view piece) {
            record.append(piece);
            return true;
        });
        report = w.line.report();
        WaitUntil([&] {
            pane = w.txtTerm.text();
            return pane.size() <= record.size() && record.ends_with(pane) && w.Command2.enabled();
        });
    }
    EXPECT_EQ(report.outcome, JobReport::Outcome::Stopped);
    EXPECT_GE(report.done, 20);
    EXPECT_LT(report.done, 8192);
    ASSERT_GT(pane.size(), 1000u);
    EXPECT_EQ(record.substr(record.size() - pane.size()), pane);
    EXPECT_TRUE(w.Command2.enabled()) << "the starts stay unavailable after the stop";
    EXPECT_TRUE(boxes.shown.empty());

    simulator_->Stop();
    const LineHold hold;
    for (const auto& [object, value] : SavedTable()) {
        if (object >= report.done) break;
        EXPECT_EQ(w.line.table()[object], value) << object;
    }
}

TEST_F(LineThreadEndToEnd, ThePortLostMidJobIsToldOnceAndShownClosed) {
    StartSimulator({"--hangup-after", "40"});
    frmTerminal& w = Open().form;
    Start(0, 8191);
    ASSERT_TRUE(WaitHeld([&] { return !w.MSComm1.PortOpen() && !w.line.Busy(); }));
    ASSERT_TRUE(WaitUntil([&] { return w.imgNotConnected.IsInFront() && !boxes.shown.empty(); }));
    RunEventLoopFor(100);  // several batches: time for a second box, were there one
    ASSERT_EQ(boxes.shown.size(), 1u) << "one box for the loss and the job it cut short";
    EXPECT_NE(boxes.shown[0].text.find("lost"), std::string::npos) << boxes.shown[0].text;
    EXPECT_FALSE(w.Frame2.enabled());
}

TEST_F(LineThreadEndToEnd, TheWindowClosedMidJobTakesItsLineWithIt) {
    StartSimulator({});
    Programmer& programmer = Open();
    Start(0, 8191);
    ASSERT_TRUE(WaitHeld([&] { return programmer.form.line.state().ObjectsDone >= 10; }));
    programmer.mainWindow.show();
    EXPECT_TRUE(programmer.mainWindow.close());
    {
        const LineHold hold;
        EXPECT_FALSE(programmer.form.MSComm1.PortOpen());
    }
    // The device goes on polling into a closed port while the window goes (TearDown).
    EXPECT_TRUE(simulator_->Running());
}

}  // namespace
}  // namespace zelmar::e2e
