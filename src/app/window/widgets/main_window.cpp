#include "widgets/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>
#include <utility>

#include "adapters/text_file.h"
#include "files/object_file.h"
#include "jobs/objects_request.h"
#include "program/line_thread.h"

namespace zelmar {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// The record keeps the pane's CR LF; a saved log ends its lines as the platform's text files
// do. A CR at the end of one piece may meet its LF in the next.
class PlatformLineEnds {
  public:
    std::string operator()(std::string_view piece) {
#ifdef Q_OS_WIN
        return std::string(piece);
#else
        std::string lines;
        lines.reserve(piece.size());
        for (const char c : piece) {
            if (cr_ && c != '\n') lines += '\r';
            cr_ = c == '\r';
            if (!cr_) lines += c;
        }
        return lines;
#endif
    }
    // A lone CR left at the very end.
    std::string Rest() {
        return std::exchange(cr_, false) ? "\r" : "";
    }

  private:
    bool cr_ = false;
};

}  // namespace

ProgrammerFrame::ProgrammerFrame(frmTerminal& window, TerminalView& view, PortAssignments& ports)
    : window_(window),
      view_(view),
      ports_(ports),
      port_(new ElidedLabel(this)),
      progress_(new QProgressBar(this)),
      stop_(new QPushButton(tr("Stop"), this)),
      job_(new ElidedLabel(this)),
      files_(this),
      shownPort_(window.line.Port()) {
    // The view named itself while it stood alone; from here on its caption goes to the frame.
    setWindowTitle(view_.windowTitle());
    setWindowIcon(view_.windowIcon());
    setCentralWidget(&view_);
    BuildMenus();
    // Two lines of one height each, as wide as the client area: the line and the device
    // above, the job below. A longer text is cut short, never wrapped, so the window keeps its
    // size.
    progress_->setMaximumWidth(70);
    progress_->setMaximumHeight(12);
    progress_->setTextVisible(false);
    auto* lines = new QWidget(this);
    auto* grid = new QGridLayout(lines);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(1);
    grid->addWidget(port_, 0, 0, 1, 3);
    grid->addWidget(job_, 1, 0);
    grid->addWidget(progress_, 1, 1);
    grid->addWidget(stop_, 1, 2);
    // The job's text takes what room there is; the bar and the button only what they need.
    grid->setColumnStretch(0, 1);
    stop_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    stop_->setMaximumHeight(progress_->maximumHeight() + 8);
    stop_->setToolTip(tr("Ends the job once the object under way has finished (Esc)"));
    stop_->setFocusPolicy(Qt::NoFocus);
    connect(stop_, &QPushButton::clicked, this, [this] { StopJob(); });
    lines->setFixedWidth(view_.width() - 8);
    lines->setFixedHeight(port_->height() + grid->spacing() +
                          std::max(job_->height(), stop_->maximumHeight()));
    statusBar()->addWidget(lines, 1);
    statusBar()->setSizeGripEnabled(false);
    // The client area keeps its size; the frame only adds its bars around it.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    for (int n = 1; n <= 4; ++n)
        if (QWidget* option = view_.WidgetOf(window_.Option1(n))) option->installEventFilter(this);
    placing_.setInterval(50);
    connect(&placing_, &QTimer::timeout, this, [this] {
        // The window manager may still place the frame after its size is known; it counts as
        // placed once it has stood on screen, decorated, for a few looks in a row.
        constexpr int kLooks = 40, kSteadyLooks = 6;
        const bool moved = KeepOnScreen();
        steadyLooks_ = moved || frameGeometry() == geometry() ? 0 : steadyLooks_ + 1;
        if (steadyLooks_ >= kSteadyLooks || ++placingLooks_ >= kLooks) placing_.stop();
    });
    Refresh();
}

ProgrammerFrame::~ProgrammerFrame() {
    if (QWidget* view = takeCentralWidget()) view->setParent(nullptr);
}

void ProgrammerFrame::BuildMenus() {
    // Each item's mnemonic is unique within its menu, so a letter always lands on one item.
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addAction(tr("&Load settings..."), QKeySequence::Open, this, [this] { LoadSettings(); });
    file->addAction(tr("&Save settings..."), QKeySequence::Save, this, [this] { SaveSettings(); });
    file->addSeparator();
    file->addAction(tr("Load object &image..."), this, [this] { LoadImage(); });
    file->addAction(tr("Save object i&mage..."), this, [this] { SaveImage(); });
    file->addSeparator();
    file->addAction(tr("Save &traffic log..."), this, [this] { SaveLog(); });
    file->addSeparator();
    file->addAction(tr("&Quit"), QKeySequence::Quit, this, [this] { close(); });

    // The lamp is a picture, out of the keyboard's reach; these do what a click on it does.
    QMenu* port = menuBar()->addMenu(tr("&Port"));
    openPort_ = port->addAction(tr("&Open port"), QKeySequence(Qt::CTRL | Qt::Key_K), this, [this] {
        {
            const LineHold hold;
            if (!window_.line.IsOpen()) window_.imgNotConnected_Click();
        }
        Refresh();
    });
    closePort_ = port->addAction(tr("&Close port"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K),
                                 this, [this] {
                                     {
                                         const LineHold hold;
                                         if (window_.line.IsOpen()) window_.imgConnected_Click();
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

ProgrammerFrame::LineStatus ProgrammerFrame::ReadStatus() const {
    LineStatus line;
    line.com = window_.line.Port();
    line.open = window_.line.IsOpen();
    line.activity = window_.line.ActivityText();
    line.status = window_.jobs.StatusText();
    line.busy = window_.jobs.Busy();
    line.done = window_.jobs.Done();
    line.total = window_.jobs.Total();
    line.writing = WriteUnderWay();
    if (const TrafficRecord* traffic = window_.line.traffic(); traffic && traffic->StoppedShort()) {
        line.trafficStopped = true;
        line.trafficKb = traffic->Size() / 1024;
        line.trafficStop = traffic->StopReason();
    }
    return line;
}

void ProgrammerFrame::Refresh() {
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

void ProgrammerFrame::Publish(const LineStatus& line) {
    const std::lock_guard<std::mutex> lock(publishedMutex_);
    published_ = line;
}

void ProgrammerFrame::ShowPublished() {
    std::optional<LineStatus> line;
    {
        const std::lock_guard<std::mutex> lock(publishedMutex_);
        line.swap(published_);
    }
    if (line) Show(*line);
}

void ProgrammerFrame::Show(const LineStatus& line) {
    QString port = tr("COM %1: %2, %3")
                       .arg(line.com)
                       .arg(ports_.Path(line.com))
                       .arg(line.open ? tr("open") : tr("closed"));
    // Whether the device is heard matters more than where the port's device was named, so it
    // comes first when the line is cut short.
    if (!line.activity.empty()) port += QStringLiteral(". ") + Q(line.activity);
    if (ports_.FromEnvironment(line.com)) port += tr(" (from ZELMAR_COM%1)").arg(line.com);
    port_->SetFullText(port);

    // How the last job on another port ended is no news about this one.
    if (line.com != shownPort_) {
        shownPort_ = line.com;
        note_ = QString();
        notedOver_ = line.status;
    }
    if (note_ && line.status != notedOver_) note_.reset();
    job_->SetFullText(note_ ? *note_ : Q(line.status));

    const bool running = line.busy && line.total > 0;
    progress_->setVisible(running);
    stop_->setVisible(line.busy);
    if (running) {
        progress_->setRange(0, line.total);
        progress_->setValue(std::min(line.done, line.total));
    }
    openPort_->setEnabled(!line.open);
    closePort_->setEnabled(line.open);
    // The question was why the window stayed; with the write over it asks about nothing.
    if (closeQuestion_ && !line.writing) closeQuestion_->done(QMessageBox::No);
    if (line.trafficStopped && !trafficNoted_) {
        trafficNoted_ = true;
        Note(tr("The traffic record stops after %1 kB: %2. File > Save traffic log keeps what "
                "came before.")
                 .arg(line.trafficKb)
                 .arg(Q(line.trafficStop)));
    }
}

QString ProgrammerFrame::Notes() const {
    return note_.value_or(QString());
}

void ProgrammerFrame::Note(const QString& text) {
    note_ = text;
    {
        const LineHold hold;
        notedOver_ = window_.jobs.StatusText();
    }
    Refresh();
}

bool ProgrammerFrame::WriteUnderWay() const {
    const LineHold hold;
    return window_.jobs.Busy() && window_.line.report().write();
}

bool ProgrammerFrame::KeepOnScreen() {
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

void ProgrammerFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (placingLooks_ == 0 && !placing_.isActive()) placing_.start();
}

void ProgrammerFrame::closeEvent(QCloseEvent* event) {
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
    if (view_.onClose) view_.onClose(cancel);
    event->setAccepted(cancel == 0);
}

void ProgrammerFrame::ChoosePort(int com) {
    bool open = false;
    {
        const LineHold hold;
        open = window_.line.IsOpen();
    }
    if (open) {
        Tell(tr("Close the port first: the device of an open port cannot change."));
        return;
    }
    PortChooserDialog dialog(com, ports_, this);
    if (dialog.exec() == QDialog::Accepted && dialog.ChosenPath() != ports_.Path(com)) {
        const QString unsaved = ports_.Choose(com, dialog.ChosenPath());
        if (!unsaved.isEmpty()) Note(unsaved);
    }
    Refresh();
}

void ProgrammerFrame::StartObjects(Direction direction) {
    bool busy = false, open = false;
    {
        const LineHold hold;
        busy = window_.jobs.Busy();
        open = window_.line.IsOpen();
    }
    if (busy) return Tell(tr("A job is under way: wait for it to end, or stop it."));
    if (!open)
        return Tell(tr("The port is closed: open it first (the red lamp, or Port > Open port)."));
    ObjectsDialog dialog(direction, objectsMemory_, this);
    if (dialog.exec() != QDialog::Accepted) return;
    Job job{direction, ObjectsOf(dialog.Objects()), JobOrigin::ObjectsDialog};
    if (direction == Direction::Write) {
        // Nothing never read reaches the device unless the technician says so.
        std::vector<int> unknown;
        {
            const LineHold hold;
            unknown = UnknownObjects(window_.line.table(), dialog.Objects());
        }
        if (!unknown.empty() &&
            QMessageBox::question(this, QString::fromLatin1(kAppTitle),
                                  Q(NeverReadQuestion(unknown)), QMessageBox::Yes | QMessageBox::No,
                                  QMessageBox::No) != QMessageBox::Yes)
            return;
    }
    QString refusal;
    {
        const LineHold hold;
        if (!window_.StartJob(std::move(job))) refusal = Q(window_.jobs.StatusText());
    }
    if (!refusal.isEmpty()) Tell(refusal);
    Refresh();
}

void ProgrammerFrame::StopJob() {
    {
        const LineHold hold;
        window_.StopJob();
    }
    Refresh();
}

std::optional<ProgrammerFrame::PickedFile> ProgrammerFrame::PickFile(FileKind kind,
                                                                     const QString& title) {
    const QString path = files_.Open(kind, title);
    if (path.isEmpty()) return std::nullopt;
    QString error;
    std::optional<std::string> text = LoadTextFile(path, &error);
    if (!text) {
        Tell(error);
        return std::nullopt;
    }
    return PickedFile{QFileInfo(path).fileName(), std::move(*text)};
}

void ProgrammerFrame::LoadSettings() {
    const std::optional<PickedFile> file = PickFile(FileKind::Settings, tr("Load settings"));
    if (!file) return;
    const SettingsFileContent settings = ReadSettingsFile(file->text, file->name.toStdString());
    if (!settings.error.empty()) return Tell(tr("%1. Nothing was loaded.").arg(Q(settings.error)));
    ObjectTable table;
    {
        const LineHold hold;
        table = window_.line.table();
    }
    for (const ObjectEntry& entry : settings.entries) table.Set(entry.object, entry.value);
    // Only the panel: nothing reaches the image or the device until "Write".
    const LineHold hold;
    window_.ShowSettingsOf(table);
    Note(tr("Not on the device yet: the panel was loaded from %1.").arg(file->name));
}

void ProgrammerFrame::SaveSettings() {
    const SettingsEncoding encoding = window_.EncodePanel();
    if (!encoding.entries) return Tell(Q(encoding.refusal));
    const QString path = files_.Save(FileKind::Settings, tr("Save settings"), window_.line.Port());
    if (path.isEmpty()) return;
    ObjectTable table;
    StoreSettingsEntries(*encoding.entries, table);
    QString error;
    if (!SaveTextFile(path, FormatObjectFile(SettingsEntriesOf(table)), &error)) Tell(error);
}

void ProgrammerFrame::LoadImage() {
    bool busy = false;
    {
        const LineHold hold;
        busy = window_.jobs.Busy();
    }
    if (busy) return Tell(tr("A job is under way: load the image once it ends."));
    const std::optional<PickedFile> file = PickFile(FileKind::Image, tr("Load object image"));
    if (!file) return;
    const ObjectFileContent content = ParseObjectFile(file->text);
    if (content.error)
        return Tell(tr("%1. Nothing was loaded.")
                        .arg(Q(Describe(*content.error, file->name.toStdString()))));
    {
        const LineHold hold;
        for (const ObjectEntry& entry : content.entries)
            window_.line.table().Set(entry.object, entry.value);
    }
    Note(tr("Not on the device yet: %2 objects loaded from %1 into the image.")
             .arg(file->name)
             .arg(content.entries.size()));
}

void ProgrammerFrame::SaveImage() {
    const QString path = files_.Save(FileKind::Image, tr("Save object image"), window_.line.Port());
    if (path.isEmpty()) return;
    std::string text;
    {
        const LineHold hold;
        text = FormatObjectFile(ImageEntriesOf(window_.line.table()));
    }
    QString error;
    if (!SaveTextFile(path, text, &error)) Tell(error);
}

void ProgrammerFrame::SaveLog() {
    const QString path = files_.Save(FileKind::Log, tr("Save traffic log"), window_.line.Port());
    if (path.isEmpty()) return;
    QString error;
    TrafficRecord* traffic = window_.line.traffic();
    // Whoever reads the log later learns from its first line what it is.
    const std::string header = std::string("# zelmar-programator ") + ZELMAR_VERSION +
                               ", traffic of " + window_.PortName() + " (" +
                               ports_.Path(window_.line.Port()).toStdString() + "), saved " +
                               QDateTime::currentDateTime()
                                   .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss t"))
                                   .toStdString() +
                               "\n";
    // In pieces, straight from the record's file: the record may be tens of megabytes.
    const TextSource record = [traffic, &header](const TextSink& sink) {
        PlatformLineEnds ends;
        if (!sink(ends(header))) return std::string();
        if (!traffic) return std::string();
        std::string failure =
            traffic->WriteTo([&](std::string_view piece) { return sink(ends(piece)); });
        const std::string rest = ends.Rest();
        if (failure.empty() && !rest.empty()) sink(rest);
        return failure;
    };
    bool saved = false;
    {
        // The record's file is the line's: it waits while its pieces are copied out.
        const LineHold hold;
        saved = SaveTextFile(path, record, &error);
    }
    if (!saved) Tell(error);
}

void ProgrammerFrame::About() {
    QMessageBox::about(this, QString::fromLatin1(kAppTitle),
                       tr("%1\nBuilt with Qt %2, running on Qt %3.\n\nThe line: COM 1 to COM "
                          "4, 1200 baud, 8 data bits, no parity, 1 stop bit, no flow control.")
                           .arg(QString::fromLatin1(kAppTitle))
                           .arg(QStringLiteral(QT_VERSION_STR))
                           .arg(QString::fromLatin1(qVersion())));
}

void ProgrammerFrame::Tell(const QString& text) {
    QMessageBox::warning(this, QString::fromLatin1(kAppTitle), text);
}

}  // namespace zelmar
