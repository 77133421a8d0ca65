#include "adapters/text_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cstddef>

#ifndef Q_OS_WIN
#include <unistd.h>

#include <cerrno>
#endif

namespace zelmar {
namespace {

void Report(QString* error, const QString& path, const QString& reason,
            QLatin1String separator = QLatin1String(": ")) {
    if (error) *error = QDir::toNativeSeparators(path) + separator + reason;
}

}  // namespace

bool SaveTextFile(const QString& path, const TextSource& source, QString* error) {
    const bool existed = QFileInfo::exists(path);
    QString cause;  // why the file was not saved, in the system's words
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        cause = file.errorString();
    } else {
        const TextSink sink = [&](std::string_view piece) {
            if (!cause.isEmpty()) return false;
            const auto size = static_cast<qint64>(piece.size());
            if (file.write(piece.data(), size) != size) cause = file.errorString();
            return cause.isEmpty();
        };
        const std::string unreadable = source(sink);
        if (cause.isEmpty() && !unreadable.empty()) cause = QString::fromStdString(unreadable);
        // QSaveFile keeps small writes in its buffer and flushes them inside commit(), which
        // then renames the short file over the old one without a word: flush and sync here,
        // where a failure still leaves the old file alone.
        if (cause.isEmpty() && !file.flush()) cause = file.errorString();
#ifndef Q_OS_WIN
        if (cause.isEmpty() && ::fsync(file.handle()) != 0) cause = qt_error_string(errno);
#endif
        if (cause.isEmpty() && !file.commit()) cause = file.errorString();  // the rename
        if (cause.isEmpty()) return true;
        if (file.isOpen()) file.cancelWriting();  // the file beside the target goes
    }
    Report(error, path,
           QStringLiteral("was not saved: %1. %2")
               .arg(cause, existed ? QStringLiteral("The file is as it was before.")
                                   : QStringLiteral("No file was made.")),
           QLatin1String(" "));
    return false;
}

bool SaveTextFile(const QString& path, std::string_view text, QString* error) {
    const TextSource whole = [text](const TextSink& sink) {
        sink(text);
        return std::string();
    };
    return SaveTextFile(path, whole, error);
}

std::optional<std::string> LoadTextFile(const QString& path, QString* error) {
    const QFileInfo info(path);
    if (info.isDir()) {
        Report(error, path, QStringLiteral("is a folder, not a file"));
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Report(error, path, QStringLiteral("cannot be read (%1)").arg(file.errorString()));
        return std::nullopt;
    }
    // Reading one byte past the bound catches a file that grew since it was opened, and a
    // device file whose size says nothing.
    const QByteArray bytes = file.read(kMaxTextFileBytes + 1);
    if (bytes.size() > kMaxTextFileBytes) {
        Report(error, path, QStringLiteral("is larger than 4 MB, too large for an object file"));
        return std::nullopt;
    }
    if (file.error() != QFileDevice::NoError) {
        Report(error, path, QStringLiteral("cannot be read (%1)").arg(file.errorString()));
        return std::nullopt;
    }
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace zelmar
