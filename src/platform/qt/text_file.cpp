#include "platform/qt/text_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cstddef>

namespace zelmar {
namespace {

void Report(QString* error, const QString& path, const QString& reason) {
    if (error) *error = QDir::toNativeSeparators(path) + QStringLiteral(": ") + reason;
}

}  // namespace

bool SaveTextFile(const QString& path, std::string_view text, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        Report(error, path, QStringLiteral("cannot be written (%1)").arg(file.errorString()));
        return false;
    }
    const auto size = static_cast<qint64>(text.size());
    if (file.write(text.data(), size) != size) {
        Report(error, path, QStringLiteral("cannot be written (%1)").arg(file.errorString()));
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        Report(error, path, QStringLiteral("cannot be saved (%1)").arg(file.errorString()));
        return false;
    }
    return true;
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
