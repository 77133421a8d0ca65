#pragma once
// The whole programmer against the device simulator: the window's logic, its Qt view and the
// QSerialPort component on one side of a pseudo-terminal, the simulator process on the other.
// Everything a test starts is stopped and removed again by the fixture, also when it fails.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "form/frm_terminal.h"
#include "ports/file_input.h"
#include "program/form_on_qt.h"
#include "support/saved_table.h"
#include "support/simulator_process.h"
#include "support/temp_folder.h"
#include "support/test_application.h"
#include "support/window_fixture.h"

namespace zelmar::e2e {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::ReadFile;
using testing::SimulatorProcess;
using testing::TestApplication;

// Generous: the machines that run this are shared and may be slow, and a deadline only
// matters when something is broken.
inline constexpr int kDeadlineMs = 30000;

// The answer window of the simulated device. Far longer than the program needs, so that a
// busy machine never turns a prompt answer into a late one; the device still moves on at
// once when the answer comes, so the jobs stay fast.
inline constexpr const char* kAnswerWaitMs = "250";

// Runs the event loop until the condition holds or the deadline passes.
inline bool WaitUntil(const std::function<bool()>& condition, int deadlineMs = kDeadlineMs) {
    return QTest::qWaitFor(condition, deadlineMs);
}

// Runs a real event loop for a while, as the program's own would run, so that a notifier that
// keeps firing shows its full count.
inline void RunEventLoopFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Counts every event the application delivers while it lives.
class EventCounter : public QObject {
  public:
    EventCounter() { QCoreApplication::instance()->installEventFilter(this); }
    ~EventCounter() override { QCoreApplication::instance()->removeEventFilter(this); }
    EventCounter(const EventCounter&) = delete;
    EventCounter& operator=(const EventCounter&) = delete;
    long all = 0;
    long socket = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        ++all;
        if (event->type() == QEvent::SockAct) ++socket;
        return QObject::eventFilter(watched, event);
    }
};

// One line of the simulator's traffic log.
struct Traffic {
    enum Kind { kSent, kReceived, kNote } kind;  // seen from the device
    int byte = 0;
    std::string note;
};

inline std::vector<Traffic> ParseTraffic(const std::string& text) {
    std::vector<Traffic> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.size() >= 2 && line[0] == '>') {
            lines.push_back({Traffic::kSent, std::stoi(line.substr(2)), {}});
        } else if (line.size() >= 2 && line[0] == '<') {
            lines.push_back({Traffic::kReceived, std::stoi(line.substr(2)), {}});
        } else if (!line.empty() && line[0] == '#') {
            lines.push_back({Traffic::kNote, 0, line});
        }
    }
    return lines;
}

// Every byte the programmer sent, in order.
inline std::vector<int> ProgrammerBytes(const std::vector<Traffic>& traffic) {
    std::vector<int> bytes;
    for (const Traffic& t : traffic)
        if (t.kind == Traffic::kReceived) bytes.push_back(t.byte);
    return bytes;
}

inline int CountNotes(const std::vector<Traffic>& traffic, const std::string& words) {
    int count = 0;
    for (const Traffic& t : traffic)
        if (t.kind == Traffic::kNote && t.note.find(words) != std::string::npos) ++count;
    return count;
}

// The programmer never speaks first: each of its bytes answers the poll the device sent just
// before it, and no poll gets two answers. Returns a description of the first breach.
inline std::string FirstUnpromptedByte(const std::vector<Traffic>& traffic) {
    for (std::size_t i = 0; i < traffic.size(); ++i) {
        if (traffic[i].kind != Traffic::kReceived) continue;
        const bool afterPoll = i > 0 && traffic[i - 1].kind == Traffic::kSent &&
                               (traffic[i - 1].byte == 172 || traffic[i - 1].byte == 202);
        if (!afterPoll) {
            std::string before = i == 0 ? "the start"
                                 : traffic[i - 1].kind == Traffic::kNote
                                     ? traffic[i - 1].note
                                     : (traffic[i - 1].kind == Traffic::kSent ? "> " : "< ") +
                                           std::to_string(traffic[i - 1].byte);
            return "log line " + std::to_string(i + 1) + ": < " + std::to_string(traffic[i].byte) +
                   " after " + before;
        }
    }
    return "";
}

// The settings objects, in the order the settings jobs walk them.
inline std::vector<int> SettingsObjects() {
    std::vector<int> objects{0};
    for (int n = 8176; n <= 8191; ++n) objects.push_back(n);
    return objects;
}

// What the programmer sends for a read job over these objects: command, high and low address.
inline std::vector<int> ReadJobBytes(const std::vector<int>& objects) {
    std::vector<int> bytes;
    for (int n : objects) bytes.insert(bytes.end(), {0x55, n / 256, n % 256});
    return bytes;
}

// For a write job: each object's write exchange, then the read exchange that reads it back.
inline std::vector<int> WriteJobBytes(const std::vector<int>& objects,
                                      const std::vector<int>& values) {
    std::vector<int> bytes;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        const int n = objects[i];
        bytes.insert(bytes.end(), {0xAA, n / 256, n % 256, values[i], 0x55, n / 256, n % 256});
    }
    return bytes;
}

// The data lines of the terminal pane ("74 - 0"), in order; polls and bare values are not.
inline std::vector<std::string> DataLines(const std::string& pane) {
    std::vector<std::string> lines;
    std::istringstream in(pane);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find(" - ") != std::string::npos) lines.push_back(line);
    }
    return lines;
}

// The object numbers of the pane's data lines, in order.
inline std::vector<int> DataLineObjects(const std::string& pane) {
    std::vector<int> objects;
    for (const std::string& line : DataLines(pane))
        objects.push_back(std::atoi(line.substr(line.find(" - ") + 3).c_str()));
    return objects;
}

// Passes the model's changes on to the view, and counts the openings the window shows: every
// successful connect, the technician's or the program's own restart, brings the green lamp to
// the front.
class ConnectionLampWatch : public ControlObserver {
  public:
    ConnectionLampWatch(ControlModel& model, ControlObserver& view, const Control& greenLamp)
        : model_(model), view_(view), greenLamp_(greenLamp) {
        model_.observer = this;
    }
    ~ConnectionLampWatch() override {
        if (model_.observer == this) model_.observer = &view_;
    }
    ConnectionLampWatch(const ConnectionLampWatch&) = delete;
    ConnectionLampWatch& operator=(const ConnectionLampWatch&) = delete;

    void TextAppended(const Control& control, std::string_view appended) override {
        view_.TextAppended(control, appended);
    }
    void TextCutFront(const Control& control, std::size_t count) override {
        view_.TextCutFront(control, count);
    }
    void TextReplaced(const Control& control) override { view_.TextReplaced(control); }
    void PropertyChanged(const Control& control, Property property) override {
        if (&control == &greenLamp_ && property == Property::Stacking) ++openingsShown;
        view_.PropertyChanged(control, property);
    }
    int openingsShown = 0;

  private:
    ControlModel& model_;
    ControlObserver& view_;
    const Control& greenLamp_;
};

// The program's form on Qt as the program composes it (FormOnQt), with its line on the test's
// own thread, and message boxes recorded instead of shown: a modal box would wait for a click
// that no one gives.
class ProgramUnderTest {
  public:
    ProgramUnderTest()
        : program({.messageBox = &messages, .fileDialog = &fileDialog}),
          lampWatch(form.controls, formView, form.imgConnected) {
        program.Load();
    }
    ~ProgramUnderTest() {
        int cancel = 0;
        form.Form_Unload(cancel);
    }
    ProgramUnderTest(const ProgramUnderTest&) = delete;
    ProgramUnderTest& operator=(const ProgramUnderTest&) = delete;

    QWidget* Widget(const Control& control) const { return formView.WidgetOf(control); }

    testing::RecordingMessageBox messages;
    testing::ScriptedFileDialog fileDialog;
    FormOnQt program;
    frmTerminal& form = program.form;
    FormView& formView = program.formView;
    ConnectionLampWatch lampWatch;
};

class EndToEndTest : public ::testing::Test {
  protected:
    EndToEndTest() { TestApplication(); }

    ~EndToEndTest() override {
        // The program first, as when the technician closes it, then the device.
        programmer_.reset();
        simulator_.reset();
        qunsetenv("ZELMAR_COM1");
    }

    fs::path LinkPath() const { return dir_.path() / "ttyZelmar"; }
    fs::path LogPath() const { return dir_.path() / "traffic.log"; }
    fs::path SavePath() const { return dir_.path() / "table.txt"; }

    // Starts a simulator behind COM 1. Its link, log and saved table lie in the test's own
    // directory; a second start replaces the first at the same path.
    void StartSimulator(std::vector<std::string> flags, bool fast = true) {
        std::vector<std::string> args{"--link", LinkPath().string(), "--log", LogPath().string(),
                                      "--save", SavePath().string()};
        if (std::find(flags.begin(), flags.end(), "--answer-wait") == flags.end())
            args.insert(args.end(), {"--answer-wait", kAnswerWaitMs});
        if (fast) args.push_back("--fast");
        args.insert(args.end(), flags.begin(), flags.end());
        simulator_.reset();
        args.insert(args.begin(), ZELMAR_SIMULATOR);
        simulator_ = std::make_unique<SimulatorProcess>(args);
        ASSERT_FALSE(simulator_->Terminal().empty()) << "the simulator did not come up";
        qputenv("ZELMAR_COM1", QByteArray::fromStdString(LinkPath().string()));
    }

    // The simulator's table file, written when it ended.
    std::map<int, int> SavedTable() const { return testing::SavedTable(SavePath()); }

    std::vector<Traffic> TrafficSoFar() const { return ParseTraffic(ReadFile(LogPath())); }

    ProgramUnderTest& StartProgrammer() {
        programmer_ = std::make_unique<ProgramUnderTest>();
        return *programmer_;
    }

    // Connects from the red lamp's handler and waits for the first poll to be taken.
    void ConnectAndSettle() {
        frmTerminal& w = programmer_->form;
        w.imgNotConnected_Click();
        ASSERT_TRUE(w.MSComm1.PortOpen()) << "the port did not open";
        ASSERT_TRUE(WaitUntil([&] {
            return !w.line.state().JustConnected && w.MSComm1.PortOpen();
        })) << "no first poll arrived";
    }

    // Starts the settings read and waits for its end.
    void ReadSettings() {
        frmTerminal& w = programmer_->form;
        w.Command2_Click();
        ASSERT_EQ(w.line.state().LinkMode, kModeRead);
        ASSERT_TRUE(WaitUntil([&] {
            return w.line.state().LinkMode == kModeIdle || !w.MSComm1.PortOpen();
        })) << "the settings read did not end";
        ASSERT_TRUE(w.MSComm1.PortOpen()) << "the port closed during the settings read";
    }

    testing::TempFolder dir_{"zelmar-e2e"};
    std::unique_ptr<SimulatorProcess> simulator_;
    std::unique_ptr<ProgramUnderTest> programmer_;
};

// What the technician sees once the port is closed: the red lamp, the job frames greyed out
// and the port choice open again.
inline void ExpectClosedState(const ProgramUnderTest& p) {
    const frmTerminal& w = p.form;
    EXPECT_FALSE(w.MSComm1.PortOpen());
    EXPECT_TRUE(w.imgNotConnected.IsInFront());
    EXPECT_FALSE(w.Frame2.enabled());
    EXPECT_FALSE(w.Frame3.enabled());
    EXPECT_FALSE(p.Widget(w.Frame2)->isEnabled());
    EXPECT_FALSE(p.Widget(w.Frame3)->isEnabled());
    for (const Control* option : w.Option1.members()) {
        EXPECT_TRUE(option->enabled()) << "COM " << option->index();
        EXPECT_TRUE(p.Widget(*option)->isEnabled()) << "COM " << option->index();
    }
}

}  // namespace zelmar::e2e
