#include "widgets/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <algorithm>
#include <utility>
#include <vector>

#include "jobs/objects_request.h"
#include "program/line_thread.h"
#include "widgets/port_chooser.h"
#include "widgets/qt_dialogs.h"

namespace zelmar {

MainWindow::MainWindow(frmTerminal& form, FormView& formView, PortAssignments& ports)
    : form_(form),
      formView_(formView),
      ports_(ports),
      fileCommands_(this, form, ports, [this](const QString& text) { Note(text); }),
      shownPort_(form.line.Port()) {
    // The view named itself while it stood alone; from here on its caption goes to the window.
    setWindowTitle(formView_.windowTitle());
    setWindowIcon(formView_.windowIcon());
    setCentralWidget(&formView_);
    BuildMenus();
    statusLines_ = new StatusLines(
        formView_.width() - 8, [this] { StopJob(); }, this);
    statusBar()->addWidget(statusLines_, 1);
    statusBar()->setSizeGripEnabled(false);
    // The client area keeps its size; the window only adds its bars around it.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    for (int n = 1; n <= 4; ++n)
        if (QWidget* option = formView_.WidgetOf(form_.Option1(n)))
            option->installEventFilter(this);
    placing_.setInterval(50);
    connect(&placing_, &QTimer::timeout, this, [this] {
        // The window manager may still place the window after its size is known; it counts as
        // placed once it has stood on screen, decorated, for a few looks in a row.
        constexpr int kLooks = 40, kSteadyLooks = 6;
        const bool moved = KeepOnScreen();
        steadyLooks_ = moved || frameGeometry() == geometry() ? 0 : steadyLooks_ + 1;
        if (steadyLooks_ >= kSteadyLooks || ++placingLooks_ >= kLooks) placing_.stop();
    });
    Refresh();
}

MainWindow::~MainWindow() {
    if (QWidget* view = takeCentralWidget()) view->setParent(nullptr);
}

void MainWindow::BuildMenus() {
    // Each item's mnemonic is unique within its menu, so a letter always lands on one item.
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addAction(tr("&Load settings..."), QKeySequence::Open, this,
                    [this] { fileCommands_.LoadSettings(); });
    file->addAction(tr("&Save settings..."), QKeySequence::Save, this,
                    [this] { fileCommands_.SaveSettings(); });
    file->addSeparator();
    file->addAction(tr("Load object &image..."), this, [this] { fileCommands_.LoadImage(); });
    file->addAction(tr("Save object i&mage..."), this, [this] { fileCommands_.SaveImage(); });
    file->addSeparator();
    file->addAction(tr("Save &traffic log..."), this, [this] { fileCommands_.SaveLog(); });
    file->addSeparator();
    file->addAction(tr("&Quit"), QKeySequence::Quit, this, [this] { close(); });

    // The lamp is a picture, out of the keyboard's reach; these do what a click on it does.
    QMenu* port = menuBar()->addMenu(tr("&Port"));
    openPort_ = port->addAction(tr("&Open port"), QKeySequence(Qt::CTRL | Qt::Key_K), this, [this] {
        {
            const LineHold hold;
            if (!form_.line.IsOpen()) form_.imgNotConnected_Click();
        }
        Refresh();
    });
    closePort_ = port->addAction(tr("&Close port"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K),
                                 this, [this] {
                                     {
                                         const LineHold hold;
                                         if (form_.line.IsOpen()) form_.imgConnected_Click();
                                     }
                                     Refresh();
                                 });
    port->addSeparator();
    for (int com = 1; com <= 4; ++com)
        port->addAction(tr("Device of COM &%1...").arg(com), this,
                        [this, com] { ChoosePort(com); });

    QMenu* jobs = menuBar()->addMenu(tr("&Jobs"));
    jobs->addAction(tr("&Read objects..."), this, [this] { StartObjects(Direction::Read); });
    jobs->addAction(tr("&Write objects..."), this, [this] { StartObjects(Direction::Write); });
    jobs->addAction(tr("&Stop"), QKeySequence(Qt::Key_Escape), this, [this] { StopJob(); });

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->addAction(tr("&About"), this, [this] { About(); });
}

MainWindow::LineStatus MainWindow::ReadStatus() const {
    LineStatus line;
    line.com = form_.line.Port();
    line.open = form_.line.IsOpen();
    line.activity = form_.line.ActivityText();
    line.status = form_.jobs.StatusText();
    line.busy = form_.jobs.Busy();
    line.done = form_.jobs.Done();
    line.total = form_.jobs.Total();
    line.writing = WriteUnderWay();
    if (const TrafficRecord* traffic = form_.line.traffic(); traffic && traffic->StoppedShort()) {
        line.trafficStopped = true;
        line.trafficKb = traffic->Size() / 1024;
        line.trafficStop = traffic->StopReason();
    }
    return line;
}

void MainWindow::Refresh() {
    LineStatus line;
    {
        const LineHold hold;
        line = ReadStatus();
        // What was published before is older than this.
        const std::lock_guard<std::mutex> lock(publishedMutex_);
        published_.reset();
    }
    // The widgets change after the line has been let go.
    Show(line);
}

void MainWindow::Publish(const LineStatus& line) {
    const std::lock_guard<std::mutex> lock(publishedMutex_);
    published_ = line;
}

void MainWindow::ShowPublished() {
    std::optional<LineStatus> line;
    {
        const std::lock_guard<std::mutex> lock(publishedMutex_);
        line.swap(published_);
    }
    if (line) Show(*line);
}

void MainWindow::Show(const LineStatus& line) {
    QString port = tr("COM %1: %2, %3")
                       .arg(line.com)
                       .arg(ports_.Path(line.com))
                       .arg(line.open ? tr("open") : tr("closed"));
    // Whether the device is heard matters more than where the port's device was named, so it
    // comes first when the line is cut short.
    if (!line.activity.empty())
        port += QStringLiteral(". ") + QString::fromStdString(line.activity);
    if (ports_.FromEnvironment(line.com)) port += tr(" (from ZELMAR_COM%1)").arg(line.com);
    statusLines_->ShowPort(port);

    // How the last job on another port ended is no news about this one.
    if (line.com != shownPort_) {
        shownPort_ = line.com;
        note_ = QString();
        notedOver_ = line.status;
    }
    if (note_ && line.status != notedOver_) note_.reset();
    statusLines_->ShowJob(note_ ? *note_ : QString::fromStdString(line.status), line.busy,
                          line.done, line.total);
    openPort_->setEnabled(!line.open);
    closePort_->setEnabled(line.open);
    // The question was why the window stayed; with the write over it asks about nothing.
    if (closeQuestion_ && !line.writing) closeQuestion_->done(QMessageBox::No);
    if (line.trafficStopped && !trafficNoted_) {
        trafficNoted_ = true;
        Note(tr("The traffic record stops after %1 kB: %2. File > Save traffic log keeps what "
                "came before.")
                 .arg(line.trafficKb)
                 .arg(QString::fromStdString(line.trafficStop)));
    }
}

QString MainWindow::Notes() const {
    return note_.value_or(QString());
}

void MainWindow::Note(const QString& text) {
    note_ = text;
    {
        const LineHold hold;
        notedOver_ = form_.jobs.StatusText();
    }
    Refresh();
}

bool MainWindow::WriteUnderWay() const {
    const LineHold hold;
    return form_.jobs.Busy() && form_.line.report().write();
}

bool MainWindow::KeepOnScreen() {
    const QScreen* screen = this->screen();
    if (!screen) return false;
    const QRect room = screen->availableGeometry();
    const QRect frame = frameGeometry();
    // Left and top last, so a frame larger than the screen keeps its title bar in reach.
    QPoint place = frame.topLeft();
    place.setX(std::max(std::min(place.x(), room.right() + 1 - frame.width()), room.left()));
    place.setY(std::max(std::min(place.y(), room.bottom() + 1 - frame.height()), room.top()));
    if (place == frame.topLeft()) return false;
    move(place);
    return true;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // Describing a device asks the system for its serial ports, tens of milliseconds; done on
    // every status tick it held up the answers to the device's polls. Only a tip being shown
    // needs it.
    if (event->type() == QEvent::ToolTip) {
        for (int n = 1; n <= 4; ++n)
            if (formView_.WidgetOf(form_.Option1(n)) == watched)
                static_cast<QWidget*>(watched)->setToolTip(ports_.Describe(n));
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (placingLooks_ == 0 && !placing_.isActive()) placing_.start();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (WriteUnderWay()) {
        QMessageBox question(QMessageBox::Question, QString::fromLatin1(kAppTitle),
                             tr("A write is under way; closing now leaves the device "
                                "half-written. Close anyway?"),
                             QMessageBox::Yes | QMessageBox::No, this);
        // Enter must not be the key that leaves a device half-written.
        question.setDefaultButton(QMessageBox::No);
        closeQuestion_ = &question;
        const int answer = question.exec();
        closeQuestion_ = nullptr;
        if (answer != QMessageBox::Yes) {
            event->ignore();
            return;
        }
    }
    int cancel = 0;
    if (formView_.onClose) formView_.onClose(cancel);
    event->setAccepted(cancel == 0);
}

void MainWindow::ChoosePort(int com) {
    bool open = false;
    {
        const LineHold hold;
        open = form_.line.IsOpen();
    }
    if (open) {
        Warn(this, tr("Close the port first: the device of an open port cannot change."));
        return;
    }
    PortChooserDialog dialog(com, ports_, this);
    if (dialog.exec() == QDialog::Accepted && dialog.ChosenPath() != ports_.Path(com)) {
        const QString unsaved = ports_.Choose(com, dialog.ChosenPath());
        if (!unsaved.isEmpty()) Note(unsaved);
    }
    Refresh();
}

void MainWindow::StartObjects(Direction direction) {
    bool busy = false, open = false;
    {
        const LineHold hold;
        busy = form_.jobs.Busy();
        open = form_.line.IsOpen();
    }
    if (busy) return Warn(this, tr("A job is under way: wait for it to end, or stop it."));
    if (!open)
        return Warn(this,
                    tr("The port is closed: open it first (the red lamp, or Port > Open port)."));
    ObjectsDialog dialog(direction, objectsMemory_, this);
    if (dialog.exec() != QDialog::Accepted) return;
    Job job{direction, ObjectsOf(dialog.Objects()), JobOrigin::ObjectsDialog};
    if (direction == Direction::Write) {
        // Nothing never read reaches the device unless the technician says so.
        std::vector<int> unknown;
        {
            const LineHold hold;
            unknown = UnknownObjects(form_.line.table(), dialog.Objects());
        }
        if (!unknown.empty() &&
            QMessageBox::question(this, QString::fromLatin1(kAppTitle),
                                  QString::fromStdString(NeverReadQuestion(unknown)),
                                  QMessageBox::Yes | QMessageBox::No,
                                  QMessageBox::No) != QMessageBox::Yes)
            return;
    }
    QString refusal;
    {
        const LineHold hold;
        if (!form_.StartJob(std::move(job)))
            refusal = QString::fromStdString(form_.jobs.StatusText());
    }
    if (!refusal.isEmpty()) Warn(this, refusal);
    Refresh();
}

void MainWindow::StopJob() {
    {
        const LineHold hold;
        form_.StopJob();
    }
    Refresh();
}

void MainWindow::About() {
    QMessageBox::about(this, QString::fromLatin1(kAppTitle),
                       tr("%1\nBuilt with Qt %2, running on Qt %3.\n\nThe line: COM 1 to COM "
                          "4, 1200 baud, 8 data bits, no parity, 1 stop bit, no flow control.")
                           .arg(QString::fromLatin1(kAppTitle))
                           .arg(QStringLiteral(QT_VERSION_STR))
                           .arg(QString::fromLatin1(qVersion())));
}

}  // namespace zelmar
