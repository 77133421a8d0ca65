#include "cli/port_choice.h"

#include <QFileInfo>

namespace zelmar::cli {

std::optional<PortText> ReadPortText(const QString& text, System system, QString& error) {
    const bool windows = system == System::Windows;
    if (text.trimmed().isEmpty()) {
        error = windows ? QStringLiteral(
                              "--port needs COM1 to COM4, another COM port or the name "
                              "of a device")
                        : QStringLiteral("--port needs COM1 to COM4 or the path of a device");
        return std::nullopt;
    }
    if (const std::optional<int> com = ComNumber(text, system)) {
        if (*com >= 1 && *com <= 4) return PortText{*com, {}};
        if (windows && *com >= 1) return PortText{0, DeviceName(text, system)};
        error = windows ? QStringLiteral("--port %1: there is no COM 0").arg(text)
                        : QStringLiteral(
                              "--port %1: only COM 1 to COM 4 stand for a device; name the "
                              "device's path instead")
                              .arg(text);
        return std::nullopt;
    }
    return PortText{0, windows ? DeviceName(text, system) : text};
}

std::optional<PortChoice> ChoosePort(const QString& text, PortAssignments& assignments,
                                     QString& error) {
    const std::optional<PortText> port = ReadPortText(text, kThisSystem, error);
    if (!port) return std::nullopt;
    if (port->com != 0) {
        const QString path = assignments.Path(port->com);
        return PortChoice{port->com, path, QStringLiteral("COM %1 (%2)").arg(port->com).arg(path)};
    }
    // A bare name would be taken for one in /dev; a file named here is meant as it stands. On
    // Windows a port's name is no file: one in the current folder must not change it.
    QString path = port->device;
    if constexpr (kThisSystem != System::Windows) {
        const QFileInfo file(path);
        if (file.exists()) path = file.absoluteFilePath();
    }
    assignments.Fix(1, path);
    return PortChoice{1, path, NativePath(path)};
}

}  // namespace zelmar::cli
