// The Jobs menu end to end, driven as the technician drives it: the menu item, the range typed
// into the dialog, Enter, the answer to the question a write of never-read objects asks; and
// the device's table afterwards, changed exactly where the job was meant to change it.
#include <gmock/gmock.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QStatusBar>
#include <map>
#include <memory>
#include <set>

#include "e2e/e2e_harness.h"
#include "widgets/main_window.h"
#include "widgets/objects_dialog.h"

namespace zelmar::e2e {
namespace {

// The device's table at the start: a value of its own for every object, never 0, so that a
// blank written by mistake shows, and never a poll byte.
int StartValue(int object) {
    return 1 + object % 127;
}

std::vector<int> Range(int first, int last) {
    std::vector<int> objects;
    for (int n = first; n <= last; ++n) objects.push_back(n);
    return objects;
}

// Answers the modal windows as they come up: types the range into the objects dialog, Tab
// between the boxes, and Enter; answers each message box, noting its text. A dialog still open
// after that refused the range: its problem is noted and the dialog cancelled.
class Technician : public QObject {
  public:
    Technician(QString from, QString to, QMessageBox::StandardButton answer)
        : from_(std::move(from)), to_(std::move(to)), answer_(answer) {
        connect(&look_, &QTimer::timeout, this, [this] { Look(); });
        look_.start(5);
    }

    std::vector<std::string> boxes;     // the text of each message box, in order
    std::vector<std::string> problems;  // what the dialog refused

  private:
    void Look() {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = dynamic_cast<ObjectsDialog*>(modal)) {
            if (dialog == filled_) {
                problems.push_back(dialog->Problem()->text().toStdString());
                dialog->reject();
                return;
            }
            // Keys reach a dialog only once it has come up in front; a busy machine takes a
            // while to bring it there.
            if (!dialog->isActiveWindow() && ++waits_ < 400) return;
            filled_ = dialog;
            QTest::keyClicks(dialog->From(), from_);
            QTest::keyClick(dialog->From(), Qt::Key_Tab);
            QTest::keyClicks(dialog->To(), to_);
            QTest::keyClick(dialog->To(), Qt::Key_Return);
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            boxes.push_back(box->text().toStdString());
            // Enter takes the box's default.
            if (answer_ == QMessageBox::NoButton)
                QTest::keyClick(box, Qt::Key_Return);
            else
                box->button(answer_)->click();
        }
    }

    QString from_, to_;
    QMessageBox::StandardButton answer_;
    QTimer look_;
    const QWidget* filled_ = nullptr;
    int waits_ = 0;
};

class JobsMenuEndToEnd : public EndToEndTest {
  protected:
    // The simulator from a table of the test's own, the programmer in its main window, connected.
    void StartAll() {
        const fs::path start = dir_.path() / "start.txt";
        {
            std::ofstream table(start);
            for (int n = 0; n < kObjectCount; ++n) table << n << ' ' << StartValue(n) << '\n';
        }
        StartSimulator({"--table", start.string()});
        ProgramUnderTest& p = StartProgrammer();
        mainWindow_ = std::make_unique<MainWindow>(p.form, p.formView, p.program.ports);
        mainWindow_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(mainWindow_.get()));
        ConnectAndSettle();
    }

    // Jobs > `item`, as the technician picks it; returns once the job, if any, started.
    void Pick(const QString& item) {
        for (QAction* menu : mainWindow_->menuBar()->actions()) {
            if (menu->text() != "&Jobs") continue;
            for (QAction* action : menu->menu()->actions())
                if (action->text() == item) return action->trigger();
        }
        ADD_FAILURE() << "no Jobs > " << item.toStdString();
    }

    // Waits for the job to end, refreshing the status bar as the program's ticks do, and
    // checks at every look that the progress never runs past the job's total.
    void WaitForTheJob(int total) {
        frmTerminal& w = programmer_->form;
        const auto* progress = mainWindow_->findChild<QProgressBar*>();
        int overshoot = 0;
        std::set<int> maxima;
        ASSERT_TRUE(WaitUntil([&] {
            mainWindow_->Refresh();
            overshoot = std::max(overshoot, w.jobs.Done() - w.jobs.Total());
            if (!progress->isHidden()) maxima.insert(progress->maximum());
            return !w.jobs.Busy() || !w.MSComm1.PortOpen();
        })) << "the job never ended";
        ASSERT_TRUE(w.MSComm1.PortOpen()) << "the port closed during the job";
        EXPECT_EQ(overshoot, 0) << "done ran past the total";
        EXPECT_EQ(w.jobs.Done(), w.jobs.Total());
        // The bar, wherever a look caught it, counted up to the job's total.
        for (int maximum : maxima) EXPECT_EQ(maximum, total);
    }

    // Jobs > `item` with the range from..to typed in, the dialog taking it, and the job run to
    // its end; the technician is returned for what the boxes said.
    std::unique_ptr<Technician> RunJob(const QString& item, const QString& from, const QString& to,
                                       int total,
                                       QMessageBox::StandardButton answer = QMessageBox::NoButton) {
        auto technician = std::make_unique<Technician>(from, to, answer);
        Pick(item);
        EXPECT_TRUE(technician->problems.empty()) << technician->problems.front();
        WaitForTheJob(total);
        return technician;
    }

    std::vector<std::string> StatusTexts() const {
        std::vector<std::string> texts;
        for (const ElidedLabel* label : mainWindow_->statusBar()->findChildren<ElidedLabel*>())
            texts.push_back(label->FullText().toStdString());
        return texts;
    }

    // Disconnects, stops the device and returns the objects whose value it changed, with
    // their new values.
    std::map<int, int> DeviceChanges() {
        programmer_->form.imgConnected_Click();
        EXPECT_EQ(simulator_->Stop(), 0);
        const auto saved = SavedTable();
        EXPECT_EQ(saved.size(), static_cast<std::size_t>(kObjectCount));
        std::map<int, int> changes;
        for (const auto& [object, value] : saved)
            if (value != StartValue(object)) changes[object] = value;
        return changes;
    }

    std::unique_ptr<MainWindow> mainWindow_;  // gone before the programmer it shows
};

TEST_F(JobsMenuEndToEnd, ReadOfARangeReadsExactlyThoseObjectsAndLeavesTheDeviceAsItWas) {
    ASSERT_NO_FATAL_FAILURE(StartAll());
    frmTerminal& w = programmer_->form;
    const auto technician = RunJob("&Read objects...", "100", "110", 11);
    ASSERT_FALSE(HasFatalFailure());

    EXPECT_THAT(StatusTexts(), ::testing::Contains("Objects read: 11 of 11"));
    for (int n = 99; n <= 111; ++n) {
        const bool asked = n >= 100 && n <= 110;
        EXPECT_EQ(w.line.table().Known(n), asked) << n;
        if (asked) {
            EXPECT_EQ(w.line.table()[n], StartValue(n)) << n;
        }
    }
    EXPECT_EQ(ProgrammerBytes(TrafficSoFar()), ReadJobBytes(Range(100, 110)));
    EXPECT_TRUE(technician->boxes.empty());
    EXPECT_TRUE(programmer_->messages.shown.empty());
    EXPECT_EQ(DeviceChanges(), (std::map<int, int>{}));
}

TEST_F(JobsMenuEndToEnd, WriteOfARangeChangesExactlyThoseObjectsAndEnds) {
    ASSERT_NO_FATAL_FAILURE(StartAll());
    frmTerminal& w = programmer_->form;
    RunJob("&Read objects...", "100", "110", 11);
    ASSERT_FALSE(HasFatalFailure());
    std::vector<int> values;
    std::map<int, int> written;
    for (int n : Range(100, 110)) {
        w.line.table().Set(n, static_cast<std::uint8_t>(255 - n));
        values.push_back(255 - n);
        written[n] = 255 - n;
    }
    const auto technician = RunJob("&Write objects...", "100", "110", 11);
    ASSERT_FALSE(HasFatalFailure());

    EXPECT_TRUE(technician->boxes.empty()) << "every object was read: nothing to ask";
    EXPECT_THAT(StatusTexts(), ::testing::Contains("Objects written and verified: 11 of 11"));
    std::vector<int> sent = ReadJobBytes(Range(100, 110));
    const std::vector<int> write = WriteJobBytes(Range(100, 110), values);
    sent.insert(sent.end(), write.begin(), write.end());
    EXPECT_EQ(ProgrammerBytes(TrafficSoFar()), sent);
    // Nothing beyond the range, the settings objects 0 and 8176..8191 above all.
    EXPECT_EQ(DeviceChanges(), written);
}

TEST_F(JobsMenuEndToEnd, ClosingDuringAWriteAsksWithNoAsDefaultAndStopsAskingWhenItEnds) {
    ASSERT_NO_FATAL_FAILURE(StartAll());
    RunJob("&Read objects...", "100", "199", 100);
    ASSERT_FALSE(HasFatalFailure());
    {
        Technician technician("100", "199", QMessageBox::NoButton);
        Pick("&Write objects...");
    }
    ASSERT_TRUE(programmer_->form.jobs.Busy());
    // The technician asks to close and leaves the question standing; the program's ticks go on.
    QMessageBox* asked = nullptr;
    QAbstractButton* fallback = nullptr;
    QTimer ticks;
    QElapsedTimer waited;
    waited.start();
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            asked = box;
            if (box->defaultButton() != box->button(QMessageBox::No)) ADD_FAILURE() << "default";
            if (waited.elapsed() > 60000 && !fallback)
                (fallback = box->button(QMessageBox::No))->click();
        }
        mainWindow_->Refresh();
    });
    ticks.start(20);
    mainWindow_->close();
    ticks.stop();
    EXPECT_NE(asked, nullptr) << "no question was asked";
    EXPECT_EQ(fallback, nullptr) << "the question outlived the write";
    EXPECT_FALSE(programmer_->form.jobs.Busy());
    EXPECT_TRUE(mainWindow_->isVisible()) << "an unanswered question closes nothing";
    std::map<int, int> unchanged;
    EXPECT_EQ(DeviceChanges(), unchanged) << "the write put back what was read";
}

// Answered with Enter, the box's default, or with Yes.
class NeverReadWrite : public JobsMenuEndToEnd, public ::testing::WithParamInterface<bool> {};

TEST_P(NeverReadWrite, AsksFirstAndSendsNothingUnlessToldYes) {
    const bool yes = GetParam();
    ASSERT_NO_FATAL_FAILURE(StartAll());
    Technician technician("300", "305", yes ? QMessageBox::Yes : QMessageBox::NoButton);
    Pick("&Write objects...");
    ASSERT_TRUE(technician.problems.empty()) << technician.problems.front();
    EXPECT_EQ(technician.boxes, std::vector<std::string>{"Objects 300 to 305 were never read or "
                                                         "loaded: the device would get 0 for "
                                                         "each. Write them anyway?"});
    EXPECT_EQ(programmer_->form.jobs.Busy(), yes);
    ASSERT_NO_FATAL_FAILURE(WaitForTheJob(6));

    std::map<int, int> blanks;
    for (int n : Range(300, 305)) blanks[n] = 0;
    EXPECT_EQ(ProgrammerBytes(TrafficSoFar()),
              yes ? WriteJobBytes(Range(300, 305), std::vector<int>(6, 0)) : std::vector<int>{});
    EXPECT_EQ(DeviceChanges(), (yes ? blanks : std::map<int, int>{}));
}

INSTANTIATE_TEST_SUITE_P(Answers, NeverReadWrite, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Yes" : "Enter"; });

}  // namespace
}  // namespace zelmar::e2e
