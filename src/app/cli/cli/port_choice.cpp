#include "cli/port_choice.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace zelmar::cli {

std::optional<PortChoice> ChoosePort(const QString& text, PortAssignments& assignments,
                                     QString& error) {
    if (text.trimmed().isEmpty()) {
        error = QStringLiteral("--port needs COM1 to COM4 or the path of a device");
        return std::nullopt;
    }
    static const QRegularExpression kCom(QStringLiteral("^COM ?([0-9]+)$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch com = kCom.match(text.trimmed());
    if (com.hasMatch()) {
        const int n = com.captured(1).toInt();
        if (n < 1 || n > 4) {
            error = QStringLiteral(
                        "--port %1: only COM 1 to COM 4 stand for a device; name the "
                        "device's path instead")
                        .arg(text);
            return std::nullopt;
        }
        const QString path = assignments.Path(n);
        return PortChoice{n, path, QStringLiteral("COM %1 (%2)").arg(n).arg(path)};
    }
    // A bare name would be taken for one in /dev; a file named here is meant as it stands.
    const QFileInfo file(text);
    const QString path = file.exists() ? file.absoluteFilePath() : text;
    assignments.Fix(1, path);
    return PortChoice{1, path, path};
}

}  // namespace zelmar::cli
