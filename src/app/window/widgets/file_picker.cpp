#include "widgets/file_picker.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <memory>

#include "adapters/port_assignments.h"

namespace zelmar {
namespace {

struct KindInfo {
    const char* key;  // its folder's key in the settings
    const char* stem;
    const char* suffix;
    const char* filter;
};

KindInfo InfoOf(FileKind kind) {
    switch (kind) {
        case FileKind::Settings:
            return {"settings", "settings", "zset", "Zelmar settings (*.zset);;All files (*)"};
        case FileKind::Image:
            return {"image", "image", "zimg", "Zelmar object image (*.zimg);;All files (*)"};
        case FileKind::Log:
            break;
    }
    return {"log", "traffic", "log", "Traffic log (*.log);;All files (*)"};
}

QString FolderKey(FileKind kind) {
    return QStringLiteral("folders/") + QString::fromLatin1(InfoOf(kind).key);
}

}  // namespace

QString DefaultFileName(FileKind kind, int com, QDate date) {
    const KindInfo info = InfoOf(kind);
    return QStringLiteral("%1-COM%2-%3.%4")
        .arg(QString::fromLatin1(info.stem))
        .arg(com)
        .arg(date.toString(Qt::ISODate))
        .arg(QString::fromLatin1(info.suffix));
}

QString FilePicker::Open(FileKind kind, const QString& title) {
    QFileDialog dialog(parent_, title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return Pick(dialog, kind, {});
}

QString FilePicker::Save(FileKind kind, const QString& title, int com) {
    QFileDialog dialog(parent_, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QString::fromLatin1(InfoOf(kind).suffix));
    return Pick(dialog, kind, DefaultFileName(kind, com, QDate::currentDate()));
}

QString FilePicker::Pick(QFileDialog& dialog, FileKind kind, const QString& name) {
    dialog.setNameFilter(QString::fromLatin1(InfoOf(kind).filter));
    // Beside the ports' assignments, under the same name (the registry on Windows).
    const std::unique_ptr<QSettings> settings = OpenSettings();
    // A kind never used yet starts in the documents (or the home folder), not wherever the
    // last dialog was.
    QString folder = settings->value(FolderKey(kind)).toString();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    dialog.setDirectory(QFileInfo(folder).isDir() ? folder : QDir::homePath());
    if (!name.isEmpty()) dialog.selectFile(name);
    const int result = run ? run(dialog) : dialog.exec();
    if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    QString path = dialog.selectedFiles().constFirst();
    // Not every dialog adds the suffix itself (a desktop's own may not, nor one whose name box
    // was never shown).
    if (!dialog.defaultSuffix().isEmpty() && !QFileInfo(path).fileName().contains(u'.'))
        path += u'.' + dialog.defaultSuffix();
    settings->setValue(FolderKey(kind), QFileInfo(path).absolutePath());
    return path;
}

}  // namespace zelmar
