#include "widgets/file_commands.h"

#include <QDateTime>
#include <QFileInfo>
#include <utility>

#include "adapters/text_file.h"
#include "files/object_file.h"
#include "program/line_thread.h"
#include "widgets/qt_dialogs.h"

namespace zelmar {

namespace {

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

FileCommands::FileCommands(QWidget* window, frmTerminal& form, const PortAssignments& ports,
                           std::function<void(const QString&)> note)
    : window_(window), form_(form), ports_(ports), note_(std::move(note)), files_(window) {}

std::optional<FileCommands::PickedFile> FileCommands::PickFile(FileKind kind,
                                                               const QString& title) {
    const QString path = files_.Open(kind, title);
    if (path.isEmpty()) return std::nullopt;
    QString error;
    std::optional<std::string> text = LoadTextFile(path, &error);
    if (!text) {
        Warn(window_, error);
        return std::nullopt;
    }
    return PickedFile{QFileInfo(path).fileName(), std::move(*text)};
}

void FileCommands::LoadSettings() {
    const std::optional<PickedFile> file =
        PickFile(FileKind::Settings, QObject::tr("Load settings"));
    if (!file) return;
    const SettingsFileContent settings = ReadSettingsFile(file->text, file->name.toStdString());
    if (!settings.error.empty())
        return Warn(
            window_,
            QObject::tr("%1. Nothing was loaded.").arg(QString::fromStdString(settings.error)));
    ObjectTable table;
    {
        const LineHold hold;
        table = form_.line.table();
    }
    for (const ObjectEntry& entry : settings.entries) table.Set(entry.object, entry.value);
    // Only the panel: nothing reaches the image or the device until "Write".
    const LineHold hold;
    form_.ShowSettingsOf(table);
    note_(QObject::tr("Not on the device yet: the panel was loaded from %1.").arg(file->name));
}

void FileCommands::SaveSettings() {
    const SettingsEncoding encoding = form_.EncodePanel();
    if (!encoding.entries) return Warn(window_, QString::fromStdString(encoding.refusal));
    const QString path =
        files_.Save(FileKind::Settings, QObject::tr("Save settings"), form_.line.Port());
    if (path.isEmpty()) return;
    ObjectTable table;
    StoreSettingsEntries(*encoding.entries, table);
    QString error;
    if (!SaveTextFile(path, FormatObjectFile(SettingsEntriesOf(table)), &error))
        Warn(window_, error);
}

void FileCommands::LoadImage() {
    bool busy = false;
    {
        const LineHold hold;
        busy = form_.jobs.Busy();
    }
    if (busy) return Warn(window_, QObject::tr("A job is under way: load the image once it ends."));
    const std::optional<PickedFile> file =
        PickFile(FileKind::Image, QObject::tr("Load object image"));
    if (!file) return;
    const ObjectFileContent content = ParseObjectFile(file->text);
    if (content.error)
        return Warn(
            window_,
            QObject::tr("%1. Nothing was loaded.")
                .arg(QString::fromStdString(Describe(*content.error, file->name.toStdString()))));
    {
        const LineHold hold;
        for (const ObjectEntry& entry : content.entries)
            form_.line.table().Set(entry.object, entry.value);
    }
    note_(QObject::tr("Not on the device yet: %2 objects loaded from %1 into the image.")
              .arg(file->name)
              .arg(content.entries.size()));
}

void FileCommands::SaveImage() {
    const QString path =
        files_.Save(FileKind::Image, QObject::tr("Save object image"), form_.line.Port());
    if (path.isEmpty()) return;
    std::string text;
    {
        const LineHold hold;
        text = FormatObjectFile(ImageEntriesOf(form_.line.table()));
    }
    QString error;
    if (!SaveTextFile(path, text, &error)) Warn(window_, error);
}

void FileCommands::SaveLog() {
    const QString path =
        files_.Save(FileKind::Log, QObject::tr("Save traffic log"), form_.line.Port());
    if (path.isEmpty()) return;
    QString error;
    TrafficRecord* traffic = form_.line.traffic();
    // Whoever reads the log later learns from its first line what it is.
    const std::string header = std::string("# zelmar-programator ") + ZELMAR_VERSION +
                               ", traffic of " + form_.PortName() + " (" +
                               ports_.Path(form_.line.Port()).toStdString() + "), saved " +
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
    if (!saved) Warn(window_, error);
}

}  // namespace zelmar
