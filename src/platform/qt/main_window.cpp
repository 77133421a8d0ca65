#include "platform/qt/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "jobs/objects_request.h"
#include "objectfile/object_file.h"
#include "platform/qt/text_file.h"

namespace zelmar {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

constexpr const char* kSettingsFilter = "Zelmar settings (*.zset);;All files (*)";
constexpr const char* kImageFilter = "Zelmar object image (*.zimg);;All files (*)";

}  // namespace

ProgrammerFrame::ProgrammerFrame(frmTerminal& window, TerminalView& view, PortAssignments& ports)
    : window_(window),
      view_(view),
      ports_(ports),
      port_(new QLabel(this)),
      progress_(new QProgressBar(this)),
      stop_(new QPushButton(tr("Stop"), this)),
      job_(new QLabel(this)),
      notes_(new QLabel(this)) {
    // The view named itself while it stood alone; from here on its caption goes to the frame.
    setWindowTitle(view_.windowTitle());
    setWindowIcon(view_.windowIcon());
    setCentralWidget(&view_);
    BuildMenus();
    // Two lines, as wide as the client area: the line and the device above, the job below.
    progress_->setMaximumWidth(70);
    progress_->setMaximumHeight(12);
    progress_->setTextVisible(false);
    port_->setWordWrap(true);
    job_->setWordWrap(true);
    notes_->setWordWrap(true);
    notes_->hide();
    auto* lines = new QWidget(this);
    auto* grid = new QGridLayout(lines);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(1);
    grid->addWidget(port_, 0, 0, 1, 3);
    grid->addWidget(job_, 1, 0);
    grid->addWidget(progress_, 1, 1);
    grid->addWidget(stop_, 1, 2);
    grid->addWidget(notes_, 2, 0, 1, 3);
    // The job's text takes what room there is; the bar and the button only what they need.
    grid->setColumnStretch(0, 1);
    stop_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    stop_->setMaximumHeight(progress_->maximumHeight() + 8);
    stop_->setToolTip(tr("Ends the job once the object under way has finished (Esc)"));
    stop_->setFocusPolicy(Qt::NoFocus);
    connect(stop_, &QPushButton::clicked, this, [this] { StopJob(); });
    lines->setFixedWidth(view_.width() - 8);
    statusBar()->addWidget(lines, 1);
    statusBar()->setSizeGripEnabled(false);
    // The client area keeps its size; the frame only adds its bars around it.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    for (int n = 1; n <= 4; ++n)
        if (QWidget* option = view_.WidgetOf(window_.Option1(n))) option->installEventFilter(this);
    Refresh();
}

ProgrammerFrame::~ProgrammerFrame() {
    if (QWidget* view = takeCentralWidget()) view->setParent(nullptr);
}

void ProgrammerFrame::BuildMenus() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addAction(tr("&Load settings..."), QKeySequence::Open, this, [this] { LoadSettings(); });
    file->addAction(tr("&Save settings..."), QKeySequence::Save, this, [this] { SaveSettings(); });
    file->addSeparator();
    file->addAction(tr("Load object &image..."), this, [this] { LoadImage(); });
    file->addAction(tr("Save object i&mage..."), this, [this] { SaveImage(); });
    file->addSeparator();
    file->addAction(tr("Save traffic &log..."), this, [this] { SaveLog(); });
    file->addSeparator();
    file->addAction(tr("&Quit"), QKeySequence::Quit, this, [this] { close(); });

    QMenu* port = menuBar()->addMenu(tr("&Port"));
    for (int com = 1; com <= 4; ++com)
        port->addAction(tr("Device of COM %1...").arg(com), this, [this, com] { ChoosePort(com); });

    QMenu* jobs = menuBar()->addMenu(tr("&Jobs"));
    jobs->addAction(tr("&Read objects..."), this, [this] { StartObjects(Direction::Read); });
    jobs->addAction(tr("&Write objects..."), this, [this] { StartObjects(Direction::Write); });
    jobs->addAction(tr("&Stop"), QKeySequence(Qt::Key_Escape), this, [this] { StopJob(); });

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->addAction(tr("&About"), this, [this] { About(); });
}

void ProgrammerFrame::Refresh() {
    const int com = window_.line.Port();
    QString port = tr("COM %1: %2, %3")
                       .arg(com)
                       .arg(ports_.Path(com))
                       .arg(window_.line.IsOpen() ? tr("open") : tr("closed"));
    if (ports_.FromEnvironment(com)) port += tr(" (from ZELMAR_COM%1)").arg(com);
    const std::string activity = window_.line.ActivityText();
    if (!activity.empty()) port += QStringLiteral(". ") + Q(activity);
    port_->setText(port);
    job_->setText(Q(window_.jobs.StatusText()));
    const bool running = window_.jobs.Busy() && window_.jobs.Total() > 0;
    progress_->setVisible(running);
    stop_->setVisible(window_.jobs.Busy());
    if (running) {
        progress_->setRange(0, window_.jobs.Total());
        progress_->setValue(std::min(window_.jobs.Done(), window_.jobs.Total()));
    }
    const TrafficRecord* traffic = window_.line.traffic();
    if (traffic && traffic->StoppedShort() && !trafficNoted_) {
        trafficNoted_ = true;
        Note(tr("The traffic record stops after %1 kB: %2. File > Save traffic log keeps what "
                "came before.")
                 .arg(traffic->Size() / 1024)
                 .arg(Q(traffic->StopReason())));
    }
}

QString ProgrammerFrame::Notes() const {
    return notes_->text();
}

void ProgrammerFrame::Note(const QString& text) {
    notes_->setText(notes_->text().isEmpty() ? text : notes_->text() + QLatin1Char('\n') + text);
    notes_->show();
}

bool ProgrammerFrame::eventFilter(QObject* watched, QEvent* event) {
    // Describing a device asks the system for its serial ports, tens of milliseconds; done on
    // every status tick it held up the answers to the device's polls. Only a tip being shown
    // needs it.
    if (event->type() == QEvent::ToolTip) {
        for (int n = 1; n <= 4; ++n)
            if (view_.WidgetOf(window_.Option1(n)) == watched)
                static_cast<QWidget*>(watched)->setToolTip(ports_.Describe(n));
    }
    return QMainWindow::eventFilter(watched, event);
}

void ProgrammerFrame::closeEvent(QCloseEvent* event) {
    if (window_.jobs.Busy() && window_.line.report().write() &&
        QMessageBox::question(this, QString::fromLatin1(kAppTitle),
                              tr("A write is under way; closing now leaves the device "
                                 "half-written. Close anyway?")) != QMessageBox::Yes) {
        event->ignore();
        return;
    }
    int cancel = 0;
    if (view_.onClose) view_.onClose(cancel);
    event->setAccepted(cancel == 0);
}

void ProgrammerFrame::ChoosePort(int com) {
    if (window_.line.IsOpen()) {
        Tell(tr("Close the port first: the device of an open port cannot change."));
        return;
    }
    PortChooserDialog dialog(com, ports_, this);
    if (dialog.exec() == QDialog::Accepted) {
        const QString unsaved = ports_.Choose(com, dialog.ChosenPath());
        if (!unsaved.isEmpty()) Note(unsaved);
    }
    Refresh();
}

void ProgrammerFrame::StartObjects(Direction direction) {
    if (window_.jobs.Busy()) return Tell(tr("A job is under way: wait for it to end, or stop it."));
    if (!window_.line.IsOpen())
        return Tell(tr("The port is closed: open it with the red lamp first."));
    ObjectsDialog dialog(direction, objectsMemory_, this);
    if (dialog.exec() != QDialog::Accepted) return;
    Job job{direction, ObjectsOf(dialog.Objects()), JobOrigin::ObjectsDialog};
    if (direction == Direction::Write) {
        // Nothing never read reaches the device unless the technician says so.
        const std::vector<int> unknown = UnknownObjects(window_.line.table(), dialog.Objects());
        if (!unknown.empty() &&
            QMessageBox::question(this, QString::fromLatin1(kAppTitle),
                                  Q(NeverReadQuestion(unknown)), QMessageBox::Yes | QMessageBox::No,
                                  QMessageBox::No) != QMessageBox::Yes)
            return;
    }
    if (!window_.StartJob(std::move(job))) Tell(Q(window_.jobs.StatusText()));
    Refresh();
}

void ProgrammerFrame::StopJob() {
    window_.StopJob();
    Refresh();
}

std::optional<std::vector<ObjectEntry>> ProgrammerFrame::PickObjectFile(const QString& title,
                                                                        const QString& filter) {
    const QString path = QFileDialog::getOpenFileName(this, title, {}, filter);
    if (path.isEmpty()) return std::nullopt;
    QString error;
    const std::optional<std::string> text = LoadTextFile(path, &error);
    if (!text) {
        Tell(error);
        return std::nullopt;
    }
    ObjectFileContent content = ParseObjectFile(*text);
    if (content.error) {
        Tell(Q(Describe(*content.error, QFileInfo(path).fileName().toStdString())));
        return std::nullopt;
    }
    return std::move(content.entries);
}

void ProgrammerFrame::LoadSettings() {
    const auto entries = PickObjectFile(tr("Load settings"), tr(kSettingsFilter));
    if (!entries) return;
    ObjectTable table = window_.line.table();
    for (const ObjectEntry& entry : *entries) {
        if (!IsSettingsObject(entry.object))
            return Tell(
                tr("Object %1 is no settings object; nothing was loaded.").arg(entry.object));
        table.Set(entry.object, entry.value);
    }
    // Only the panel: nothing reaches the image or the device until "Write".
    window_.ShowSettingsOf(table);
}

void ProgrammerFrame::SaveSettings() {
    const SettingsEncoding encoding = window_.EncodePanel();
    if (!encoding.entries) return Tell(Q(encoding.refusal));
    const QString path =
        QFileDialog::getSaveFileName(this, tr("Save settings"), {}, tr(kSettingsFilter));
    if (path.isEmpty()) return;
    ObjectTable table;
    StoreSettingsEntries(*encoding.entries, table);
    QString error;
    if (!SaveTextFile(path, FormatObjectFile(SettingsEntriesOf(table)), &error)) Tell(error);
}

void ProgrammerFrame::LoadImage() {
    if (window_.jobs.Busy()) return Tell(tr("A job is under way: load the image once it ends."));
    const auto entries = PickObjectFile(tr("Load object image"), tr(kImageFilter));
    if (!entries) return;
    for (const ObjectEntry& entry : *entries) window_.line.table().Set(entry.object, entry.value);
}

void ProgrammerFrame::SaveImage() {
    const QString path =
        QFileDialog::getSaveFileName(this, tr("Save object image"), {}, tr(kImageFilter));
    if (path.isEmpty()) return;
    QString error;
    if (!SaveTextFile(path, FormatObjectFile(ImageEntriesOf(window_.line.table())), &error))
        Tell(error);
}

void ProgrammerFrame::SaveLog() {
    const QString path = QFileDialog::getSaveFileName(this, tr("Save traffic log"), {},
                                                      tr("Text (*.txt);;All files (*)"));
    if (path.isEmpty()) return;
    QString error;
    TrafficRecord* traffic = window_.line.traffic();
    // In pieces, straight from the record's file: the record may be tens of megabytes.
    const TextSource record = [traffic](const TextSink& sink) {
        return traffic ? traffic->WriteTo(sink) : std::string();
    };
    if (!SaveTextFile(path, record, &error)) Tell(error);
}

void ProgrammerFrame::About() {
    QMessageBox::about(this, QString::fromLatin1(kAppTitle),
                       tr("Zelmar (ver.4.0) programator %1\nQt %2\n\nThe line: COM 1 to COM 4, "
                          "1200 baud, 8 data bits, no parity, 1 stop bit, no flow control.")
                           .arg(QStringLiteral(ZELMAR_VERSION))
                           .arg(QString::fromLatin1(qVersion())));
}

void ProgrammerFrame::Tell(const QString& text) {
    QMessageBox::warning(this, QString::fromLatin1(kAppTitle), text);
}

}  // namespace zelmar
